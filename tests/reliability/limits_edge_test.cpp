// Texts the dialogs hand back at the edges of their buffers: the destination, the component
// states and the fatal dialog's own event text.
#include "setup_run.h"

using namespace setuptest;

namespace
{

// A custom install with nothing to copy and no items, so that only the destination counts.
Config DestinationOnly()
{
    Config config = FullInstall().Set("APP_INSTALL_DRIVER", "0").Drop("APP_STARTUP");
    config.Drop("APP_PROGRAM_ITEM_NAME1").Drop("APP_PROGRAM_ITEM_FILE1");
    config.Drop("APP_PROGRAM_ITEM_NAME2").Drop("APP_PROGRAM_ITEM_FILE2");
    config.sections.clear();
    return config;
}

// A destination of the given length made of plain folder names.
std::string Destination(size_t length)
{
    std::string text = "C:";
    while (text.size() < length) {
        size_t room = length - text.size() - 1;
        text += "\\" + std::string(std::min<size_t>(room, 100), 'd');
    }
    return text;
}

std::string RecordedPath()
{
    std::string record;
    winsim::GetFile("C:\\Windows\\velsetup.log", &record);
    return record;
}

// The entered destination is read with limit 255: 254 characters are read and judged (our
// toolkit's directory test refuses a path that long, so the bad-path dialog follows), 255 end in
// the overflow message and the fatal dialog.
TEST_F(SetupRun, EnteredDestinationAtItsLimit)
{
    for (size_t length : {254u, 255u}) {
        winsim::Reset();
        TkReset();
        UseMedium(mediumDir);
        WriteConfig(DestinationOnly());
        const std::string entered = Destination(length);
        ASSERT_EQ(length, entered.size());
        Answers("[6201]\nedit.1=" + entered + "\n");

        EXPECT_EQ(0, Run());

        const bool fits = length == 254;
        EXPECT_EQ(fits ? 0 : 1, Count(OverflowBox())) << length;
        EXPECT_EQ((fits ? std::vector<std::string>{"6201", "6400", "6201"}
                        : std::vector<std::string>{"6201", "400"}),
                  Dialogs())
            << length;
        EXPECT_EQ(1, Count("frame-end")) << length;
        EXPECT_EQ(fits, RecordedPath().find("path=C:\\Program Files\\Display Utility\\") !=
                            std::string::npos)
            << RecordedPath();
    }
}

// The component states come back as list entries read with limit 255.
TEST_F(SetupRun, ComponentStateAtItsLimit)
{
    for (size_t length : {254u, 255u}) {
        winsim::Reset();
        TkReset();
        UseMedium(mediumDir);
        WriteConfig(DestinationOnly().Set("APP_INSTALL_DRIVER", "1"));
        AddDisplayDevice();
        // Entry 1 long (not "ON": no utility), entry 2 "ON".
        Answers("[6200]\ncheck=" + std::string(length, 'Y') + " ON\n");

        EXPECT_EQ(0, Run());

        const bool fits = length == 254;
        EXPECT_EQ(fits ? 0 : 1, Count(OverflowBox())) << length;
        EXPECT_EQ(
            (fits ? std::vector<std::string>{"6200"} : std::vector<std::string>{"6200", "400"}),
            Dialogs())
            << length;
        EXPECT_TRUE(RecordedPath().empty()) << "the utility was not chosen";
        EXPECT_EQ(fits, winsim::DriverInstalled(0)) << length;
    }
}

// Inside the fatal dialog's own loop an overlong event text ends the process through the
// overflow message alone: the fatal dialog is not shown twice and the toolkit stops once.
TEST_F(SetupRun, FatalDialogEventTextAtItsLimit)
{
    for (size_t length : {14u, 15u}) {
        winsim::Reset();
        TkReset();
        UseMedium(mediumDir);
        WriteConfig(InfoOnly());
        Answers("[100]\naction=quit\n[400]\nevent=CA" + std::string(length - 2, 'x') + "\n");

        EXPECT_EQ(0, Run());

        EXPECT_EQ((std::vector<std::string>{"100", "400"}), Dialogs()) << length;
        EXPECT_EQ(length == 14 ? 0 : 1, Count(OverflowBox())) << length;
        EXPECT_EQ(1, Count("frame-end")) << length;
        EXPECT_EQ(1, Count("install-end")) << length;
    }
}

} // namespace
