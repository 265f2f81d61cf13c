// The program-wide record of the setup run and the procedures of the setup sequence.
#pragma once
#include "platform.h"

enum { MAX_ITEMS = 10, PATH_LIMIT = 255, DEVICE_LIMIT = 64, CHOICE_LIMIT = 10 };

struct ProgramItem {
    char displayName[255];
    char fileName[255];
};

// What the configuration said and what the user chose; one instance for the whole run.
struct SetupState {
    char sourceDir[260];
    char destPath[256];
    char groupName[255];
    ProgramItem items[MAX_ITEMS];
    int itemCount;
    char startupFile[255];
    char utilityChoice[10];
    char driverChoice[10];
    int installUtility;
    int installDriver;
};

extern SetupState setupState;

// Dialog conversations.
void QuitDialog(void);
void InfoDialog(void);
void BadPathDialog(void);
int CustomInstallDialog(int dialogId);
void AddTrailingBackslash(char* text);
void StripTrailingBackslash(char* text);

// Utility installation.
void BuildCopyList(void);
void InstallUtility(void);
