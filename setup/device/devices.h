// Device installation: match present devices, move them into the class, install the driver.
#pragma once
#include "platform.h"

// Sizes of the texts GetInfNameAndSection delivers, terminators included.
enum { INF_NAME_SIZE = 260, SECTION_NAME_SIZE = 256, MATCH_KEY_SIZE = 256, GUID_TEXT_SIZE = 37 };

// Installs the driver from sourceRoot on every present device of className whose instance ID
// contains hardwareId; returns how many matched. Sets *restartNeeded to 1 when Windows asks
// for a restart, else 0. Shows nothing and never ends the program.
int InstallDevices(const char* className, const char* hardwareId, HWND parentWindow,
                   const char* sourceRoot, int* restartNeeded);

// Writes the 36-character GUID text and its NUL into text (at least GUID_TEXT_SIZE bytes).
void FormatGuid(const GUID* guid, char* text);

// The INF file, install section and first hardware ID of the driver selected for a device.
// Returns FALSE, writing nothing, when no driver is selected.
BOOL GetInfNameAndSection(HDEVINFO deviceSet, SP_DEVINFO_DATA* device, char infName[INF_NAME_SIZE],
                          char sectionName[SECTION_NAME_SIZE],
                          char firstHardwareId[MATCH_KEY_SIZE]);

// The diagnostic hook: no effect in the product; either argument may be NULL. Returns 0.
int Trace(const char* text, const char* caption);

// Hands the system's message text for the last error, with caption, to Trace.
void ReportSystemError(const char* caption);
