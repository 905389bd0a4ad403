// Help / About: the box names the program's version, read from the program file beside
// the station INI or, when that was renamed, from the running program, and the driver line.
#include "console/about_dlg.h"
#include "station_fixture.h"

#include "platform/version/file_version_text.h"
#include "resources/resource_ids.h"

#include <QLabel>
#include <QPushButton>

namespace consoletest {
namespace {

class AboutBox : public StationTest {};

struct AboutCase {
    const char* name;
    bool programInFolder; // the station's program file lies beside its INI
    DWORD mode;           // FabrunMode bits set after start
    const char* versionLine;
    bool renamedLine; // "User Change EXE File Name" is written
};

TEST_F(AboutBox, ShowsTheProgramsVersionAndTheDriverLine)
{
    const fs::path program = fs::path(platform::WideToAnsi(platform::ProgramFolder())) / "Fabrun";
    const std::string fabrunVersion = platform::WideToUtf8(platform::ReadFileVersionText(program.u16string()).value());
    ASSERT_EQ(fabrunVersion, "1.0.0") << "the project's version, which this test expects spelt out below";
    const AboutCase cases[] = {
        {"chip mode", true, 0, "Fabrun Version: 1. 0. 0 ", false},
        {"flash-drive mode", true, 0x01, "RZ870Fabrun Version: 1. 0. 0", false},
        {"program renamed: the running program's own version", false, 0, "Fabrun Version: 2. 4. 6 ", true},
    };
    // The box needs only the frame's folder and mode, not a started station (umockdev's
    // table of descriptors fills after some twenty start-ups in one test program).
    frame = std::make_unique<CMainFrame>(document, platform::AnsiToWide(Folder().string() + "/"));
    frame->LoadSettings(); // as the start-up does first: the program's drive and folder
    const DWORD startMode = frame->FabrunMode;
    for (const AboutCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(Folder() / "Fabrun");
        if (c.programInFolder)
            fs::copy_file(program, Folder() / "Fabrun");
        frame->FabrunMode = startMode | c.mode;
        ClearLines();
        struct Shown {
            QString title, version, driver;
            bool icon = false;
        } shown;
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
            if (about == nullptr)
                return;
            seen = true;
            shown.title = about->windowTitle();
            shown.version = qobject_cast<QLabel*>(about->Item(res::IDC_ABOUT_VERSION))->text();
            shown.driver = qobject_cast<QLabel*>(about->Item(res::IDC_ABOUT_DRIVER))->text();
            for (QLabel* label : about->findChildren<QLabel*>())
                shown.icon = shown.icon || !label->pixmap().isNull();
            qobject_cast<QPushButton*>(about->Item(IDOK))->click();
        });
        frame->OnCommand(res::ID_APP_ABOUT); // as the menu item sends it; returns when the box is closed
        ASSERT_TRUE(seen) << "Help / About shows the box";
        EXPECT_EQ(shown.title, QStringLiteral("About RZ520 Fabrun"));
        EXPECT_EQ(shown.version, QString::fromLatin1(c.versionLine));
        EXPECT_EQ(shown.driver, QStringLiteral("Libusb-win32. Version 1.2.6.0"));
        EXPECT_TRUE(shown.icon) << "the program's icon";
        EXPECT_EQ(HasLine("User Change EXE File Name"), c.renamedLine);
    }
}

} // namespace
} // namespace consoletest
