// Names and numbers of what the dialog library holds: its file name, dialogs, procedures, bitmaps.
#pragma once

namespace tk
{

// The library is found by its file name alone; a path in front of it is accepted.
constexpr const char* kDialogLibrary = "mscuistf.dll";

enum DialogId {
    kDialogInfo = 100,
    kDialogQuit = 200,
    kDialogFatal = 400,
    kDialogHelp = 900,
    kDialogCustomInstall = 6200,
    kDialogCustomInstallNoDriver = 6201, // the driver component cannot be deselected
    kDialogBadPath = 6400,
};

// Bitmap 0 means "no bitmap" and is always accepted.
enum BitmapId {
    kBitmapNone = 0,
    kBitmapFrame = 1, // the picture in the frame window
};

bool IsDialogId(int id);
bool IsBitmapId(int id);
bool IsDialogProc(const char* name); // one of the procedures the library exports
bool IsDialogLibrary(const char* name);
bool IsCustomInstallDialog(int id);

} // namespace tk
