// The device list over hand-filled port records: which rows and columns it shows, what
// each cell says for a present device, and how it copes with records a device filled to
// the brim.
#include "console/dev_list_view.h"
#include "console/main_frame.h"
#include "engine/ports/dev_info_doc.h"
#include "portwarden/block_map.h"
#include "tests/profile/scratch_folder.h"

#include <QTableWidgetItem>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// A device list over a document and a frame that has not started: the records, the mode
// and the block map are set by hand.
struct ListBench {
    ListBench()
    {
        frame.DevNoView = 4;
        portMaps[0] = UFDPortBlockMap{4, 2, 512, {}, {}};
        blockMap.portCount = 1;
        blockMap.ports[0] = &portMaps[0];
    }

    ~ListBench()
    {
        list.reset();
        frame.ToolIni.reset(); // nothing of the test is saved at the frame's end
    }

    CDevListView& Show()
    {
        list = std::make_unique<CDevListView>(frame, document);
        list->OnInitialUpdate();
        return *list;
    }

    // UTF-8, so that a failure prints the text.
    std::string Cell(int row, int column) const
    {
        const QTableWidgetItem* item = list->item(row, column);
        return item != nullptr ? item->text().toStdString() : std::string();
    }

    std::string Header(int column) const { return list->horizontalHeaderItem(column)->text().toStdString(); }

    PortRecord& Port(int port) { return document.Ports()[static_cast<std::size_t>(port)]; }

    // A device the last walk found on the port.
    PortRecord& Plug(int port)
    {
        PortRecord& record = Port(port);
        record.hubTier = 1;
        record.present = 1;
        record.disk.inquiry[4] = 31;
        return record;
    }

    CDevInfoDoc document;
    CMainFrame frame{document, u"/nonexistent/"};
    UFDPortBlockMap portMaps[1] = {};
    UFDBlockMap blockMap = {};
    std::unique_ptr<CDevListView> list;
};

// Text into a zeroed record field, without its NUL.
template <std::size_t Length>
void Put(void* field, const char (&text)[Length])
{
    std::memcpy(field, text, Length - 1);
}

std::string Repeated(const std::string& text, int times)
{
    std::string repeated;
    for (int n = 0; n < times; ++n)
        repeated += text;
    return repeated;
}

using Cells = std::vector<std::pair<int, std::string>>;

struct ListCase {
    const char* name;
    std::function<void(ListBench&)> arrange;
    int rows;
    int columns;
    Cells row0;
};

TEST(DeviceList, RowsColumnsAndCellsOfTheFirstPort)
{
    const ListCase cases[] = {
        {"no device number", [](ListBench& t) { t.frame.DevNoView = 0; }, 0, 9, {}},
        {"more ports than the document holds", [](ListBench& t) { t.frame.DevNoView = 40; }, 32, 9, {}},
        {"empty port", [](ListBench&) {}, 4, 9, {{0, "[Device 01]:"}, {1, ""}, {8, ""}}},
        {"present but not found by the last walk", [](ListBench& t) { t.Plug(0).hubTier = 0; }, 4, 9,
         {{0, "[Device 01]:"}, {1, ""}}},
        {"present without drive letters", [](ListBench& t) { t.Plug(0); }, 4, 9, {{1, "N/A"}, {7, "N/A"}}},
        {"two drive letters",
         [](ListBench& t) {
             PortRecord& r = t.Plug(0);
             r.disk.driveLetterCount = 2;
             Put(r.disk.driveLetters, "EF");
         },
         4, 9, {{1, "E:\\ F:\\ "}}},
        {"a full row",
         [](ListBench& t) {
             PortRecord& r = t.Plug(0);
             r.idVendor = 0x1234;
             r.idProduct = 0x0ABC;
             Put(r.manufacturer, "Tarvo");
             Put(r.product, "Flash Disk");
             const BYTE lastLba[8] = {0x00, 0x3B, 0xFF, 0xFF, 0x00, 0x00, 0x02, 0x00}; // 1919.99 MB
             std::memcpy(r.disk.capacity, lastLba, sizeof lastLba);
             Put(r.disk.inquiry + 8, "TARVO   USB DISK 2.0    ");
             Put(r.serialNumber, "0123456789ABCDEFGHIJ");
             const BYTE firmware[4] = {1, 0x2A, 3, 0};
             std::memcpy(r.disk.inquiry + 40, firmware, sizeof firmware);
         },
         4, 9,
         {{0, "[Device 01]:"},
          {2, "1234 / 0ABC"},
          {3, "Tarvo"},
          {4, "Flash Disk"},
          {5, "1919 MB"},
          {6, "TARVO   USB DISK 2.0    "},
          {7, "0123456789ABCDEF"},
          {8, "1.2a.3.0"}}},
        {"inquiry of exactly 4 additional bytes", [](ListBench& t) { t.Plug(0).disk.inquiry[4] = 4; }, 4, 9,
         {{6, "N/A"}}},
        {"inquiry with NULs in its fields",
         [](ListBench& t) { Put(t.Plug(0).disk.inquiry + 8, "AB\0\0\0\0\0\0CD"); }, 4, 9, {{6, "ABCD"}}},
        {"fields filled to the brim",
         [](ListBench& t) {
             PortRecord& r = t.Plug(0);
             std::memset(r.manufacturer, 'M', sizeof r.manufacturer);
             std::memset(r.product, 'P', sizeof r.product);
             std::memset(r.serialNumber, 'S', sizeof r.serialNumber);
             std::memset(r.disk.inquiry + 8, 'V', 24);
             r.disk.driveLetterCount = 200;
             std::memset(r.disk.driveLetters, 'G', sizeof r.disk.driveLetters);
         },
         4, 9,
         {{1, Repeated("G:\\ ", 25)},
          {3, std::string(32, 'M')},
          {4, std::string(32, 'P')},
          {6, std::string(24, 'V')},
          {7, std::string(16, 'S')}}},
        {"a string cut at 32 characters keeps no half character",
         [](ListBench& t) {
             std::string text(31, 'x');
             text += "\xF0\x9F\x92\xBE"; // one character of two UTF-16 units
             std::memcpy(t.Plug(0).manufacturer, text.data(), text.size());
         },
         4, 9, {{3, std::string(31, 'x')}}},
        {"flash-drive mode with a block map",
         [](ListBench& t) {
             t.frame.FabrunMode = kFabrunModeFlashDrive;
             t.frame.BlockMapHandle = &t.blockMap;
             t.frame.CisSetting.CISImage.bytes[cis::kFlashSizeCode] = 0x3A;
             t.frame.CisSetting.CISImage.SetWord(cis::kPagesPerBlock, 256);
             t.frame.CisSetting.FlashPartName.Set(u"TC58NVG1S3H");
             t.Plug(0);
         },
         4, 13,
         {{1, "N/A"}, {9, "2 X 4"}, {10, "0x1000"}, {11, "0x100"}, {12, "TC58NVG1S3H"}}},
        {"flash-drive mode before a block map is made",
         [](ListBench& t) {
             t.frame.FabrunMode = kFabrunModeFlashDrive;
             t.Plug(0);
         },
         4, 13, {{1, "N/A"}, {9, ""}, {12, ""}}},
        {"chip mode with a block map left over",
         [](ListBench& t) {
             t.frame.BlockMapHandle = &t.blockMap;
             t.Plug(0);
         },
         4, 9, {{8, "0.0.0.0"}}},
    };
    for (const ListCase& c : cases) {
        ListBench t;
        c.arrange(t);
        t.Show();
        EXPECT_EQ(t.list->rowCount(), c.rows) << c.name;
        EXPECT_EQ(t.list->columnCount(), c.columns) << c.name;
        for (const auto& [column, text] : c.row0)
            EXPECT_EQ(t.Cell(0, column), text) << c.name << ", column " << column;
    }
}

TEST(DeviceList, InquiryLengthAbove84IsSetTo4InTheRecord)
{
    for (BYTE length : {BYTE(84), BYTE(85), BYTE(0xFF)}) {
        ListBench t;
        t.Plug(0).disk.inquiry[4] = length;
        Put(t.Port(0).disk.inquiry + 8, "TARVO   ");
        t.Show();
        const bool clamped = length > 84;
        EXPECT_EQ(t.Cell(0, 6), clamped ? "N/A" : "TARVO   ") << int(length);
        EXPECT_EQ(t.Port(0).disk.inquiry[4], clamped ? 4 : 84) << int(length);
    }
}

TEST(DeviceList, PortBeyondTheBlockMapsRecordsShowsNoGeometry)
{
    ListBench t;
    t.frame.DevNoView = 32;
    t.frame.FabrunMode = kFabrunModeFlashDrive;
    t.frame.BlockMapHandle = &t.blockMap;
    t.blockMap.portCount = 16;
    // Pointers past the port count are never set by the server; one that is garbage here
    // shows whether the list reads it.
    t.blockMap.ports[20] = reinterpret_cast<UFDPortBlockMap*>(0x10);
    t.Plug(20);
    t.Plug(0);
    t.Show();
    EXPECT_EQ(t.Cell(0, 9), "2 X 4");
    EXPECT_EQ(t.Cell(20, 0), "[Device 21]:");
    EXPECT_EQ(t.Cell(20, 9), "");
    EXPECT_EQ(t.Cell(20, 10), "0x200") << "the other flash columns are the settings'";
}

TEST(DeviceList, RefreshDeviceRowRewritesOnlyThatPortsRow)
{
    ListBench t;
    t.list = std::make_unique<CDevListView>(t.frame, t.document);
    t.Plug(2);
    t.list->RefreshDeviceRow(2);
    EXPECT_EQ(t.list->rowCount(), 0) << "a port view refreshes before the list's initial update";
    t.Port(2) = PortRecord{};
    t.Show();
    const QIcon emptyIcon = t.list->item(2, 0)->icon();
    t.Plug(2).idVendor = 0x0781;
    t.Plug(3).idVendor = 0x0951;
    t.list->RefreshDeviceRow(2);
    EXPECT_EQ(t.Cell(2, 0), "[Device 03]:");
    EXPECT_EQ(t.Cell(2, 2), "0781 / 0000");
    EXPECT_EQ(t.Cell(3, 2), "") << "port 4 waits for its own refresh";
    EXPECT_EQ(t.list->rowCount(), 4);
    EXPECT_NE(t.list->item(2, 0)->icon().pixmap(32).toImage(), emptyIcon.pixmap(32).toImage()) << "the device image";
    EXPECT_FALSE(emptyIcon.pixmap(32).isNull());

    t.Port(2).present = 0;
    t.list->RefreshDeviceRow(2);
    EXPECT_EQ(t.Cell(2, 0), "[Device 03]:");
    EXPECT_EQ(t.Cell(2, 2), "");
    EXPECT_EQ(t.list->item(2, 0)->icon().pixmap(32).toImage(), emptyIcon.pixmap(32).toImage());

    for (int outside : {-1, 32}) {
        t.list->RefreshDeviceRow(outside);
        EXPECT_EQ(t.list->rowCount(), 4) << outside;
    }
    t.list->RefreshAllDeviceRows();
    EXPECT_EQ(t.Cell(3, 2), "0951 / 0000");
}

struct CaptionCase {
    const char* name;
    const char* rowFormat;
    std::string row0;
};

TEST(DeviceList, CaptionsComeFromTheLanguageSection)
{
    ListBench t;
    const CaptionCase cases[] = {
        {"a translated format", "[Ger\xC3\xA4t %d]", "[Ger\xC3\xA4t 1]"},
        {"a format asking for text", "[Ger\xC3\xA4t %s]", "[Device 01]:"},
        {"a format asking for two numbers", "%d-%d", "[Device 01]:"},
    };
    ScratchFolder folder;
    for (const CaptionCase& c : cases) {
        WriteBytes(folder.File("Fabrun.ini"), std::string("[Setting]\nLanguage=DEU\n[DEU]\nDisk=Laufwerk\nCEXCH=CE x KA\n"
                                                          "Device_02d=") + c.rowFormat + "\n");
        t.frame.ToolIni = std::make_unique<CIniFile>(folder.WideFile("Fabrun.ini"));
        t.frame.FabrunMode = kFabrunModeFlashDrive;
        t.Show();
        EXPECT_EQ(t.Cell(0, 0), c.row0) << c.name;
        EXPECT_EQ(t.Header(1), "Laufwerk") << c.name;
        EXPECT_EQ(t.Header(9), "CE x KA") << c.name;
        EXPECT_EQ(t.Header(10), "Block/CE") << c.name;
        EXPECT_EQ(t.Header(12), "Flash Model") << c.name;
    }
}

} // namespace
