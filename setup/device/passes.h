// Shared between the two device passes: the matching rule and the installation pass.
#pragma once
#include "devices.h"

enum { DEVICE_TEXT_SIZE = 256 };

// Reads the device's instance ID into deviceText and says whether matchKey occurs in its
// upper-cased copy. A device whose ID cannot be read whole does not match.
int MatchDevice(DWORD devInst, const char* matchKey, char deviceText[DEVICE_TEXT_SIZE]);

// The second pass over the present devices of the class; returns what InstallDevices returns.
// matchKey is replaced by the first hardware ID of each driver found.
int RunInstallPass(const GUID* classGuid, char matchKey[MATCH_KEY_SIZE], HWND parentWindow,
                   const char* sourceRoot, int* restartNeeded);
