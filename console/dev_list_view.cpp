#include "console/dev_list_view.h"

#include "console/dev_list_cells.h"
#include "console/main_frame.h"
#include "engine/ini/caption_format.h"
#include "engine/ini/language.h"
#include "engine/ports/dev_info_doc.h"
#include "platform/debug/debug.h"
#include "resources/resource_ids.h"

#include <QHeaderView>

#include <algorithm>

namespace {

constexpr int kImageNoDevice = 1;
constexpr int kImageDevicePresent = 2;
constexpr char16_t kEnglishRowFormat[] = u"[Device %02d]:";
constexpr int kFirstDeviceColumn = 1;
constexpr int kFirstFlashColumn = 9;

struct Column {
    const char16_t* key;
    const char16_t* english;
    Qt::Alignment alignment;
    int width;
};

constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kCentre = Qt::AlignHCenter | Qt::AlignVCenter;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

// Columns 9 to 12 exist in flash-drive mode only.
constexpr Column kColumns[] = {
    {u"DeviceList", u"DeviceList", kLeft, 128},
    {u"Disk", u"Disk", kCentre, 64},
    {u"VID/PID", u"VID/PID", kRight, 128},
    {u"iManufacture", u"iManufacture", kRight, 148},
    {u"iProduct", u"iProduct", kRight, 128},
    {u"Capacity", u"Capacity", kRight, 128},
    {u"Inquiry", u"Inquiry", kRight, 192},
    {u"SerialNumber", u"SerialNumber", kRight, 128},
    {u"FirmwareVersion", u"FirmwareVersion", kRight, 128},
    {u"CEXCH", u"CE X CH", kCentre, 64},
    {u"CEBlock", u"Block/CE", kCentre, 64},
    {u"BlockPage", u"Page/Block", kCentre, 72},
    {u"FlashModel", u"Flash Model", kRight, 128},
};

QString ToQString(const std::u16string& text)
{
    return QString::fromStdU16String(text);
}

} // namespace

CDevListView::CDevListView(CMainFrame& frame, CDevInfoDoc& document, QWidget* parent)
    : QTableWidget(parent), frame_(frame), document_(document)
{
    verticalHeader()->hide();
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
}

CDevListView::~CDevListView() = default;

void CDevListView::OnInitialUpdate()
{
    const QPixmap strip = res::LoadBitmapResource(res::IDB_DEVICE_LIST);
    for (int slot = 0; slot < res::kListImageCount; ++slot) {
        QPixmap image = strip.copy(slot * res::kListImageSize, 0, res::kListImageSize, res::kListImageSize);
        image.setMask(image.createMaskFromColor(Qt::white));
        images_[slot] = QIcon(image);
    }
    setIconSize(QSize(res::kListImageSize, res::kListImageSize));

    languageSection_ = frame_.ToolIni != nullptr ? LanguageSection(*frame_.ToolIni) : std::u16string();
    InsertColumns();

    setShowGrid(true);
    horizontalHeader()->setSectionsMovable(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setRowCount(0);

    rowFormat_ = CheckedIntegerFormat(Caption(u"Device_02d", kEnglishRowFormat), kEnglishRowFormat);
    for (int port = 0; port < PortRows(); ++port)
        ReplacePortRow(port, kImageNoDevice);
    RefreshAllDeviceRows();
}

void CDevListView::RefreshAllDeviceRows()
{
    for (int port = 0; port < PortRows(); ++port) {
        const PortRecord& record = document_.Ports()[static_cast<std::size_t>(port)];
        if (record.hubTier != 0 && record.present != 0)
            RewritePresentRow(port);
    }
}

void CDevListView::RefreshDeviceRow(int index)
{
    if (index < 0 || index >= kPortCount) {
        platform::DebugPrintf("Device list: no port %d to refresh", index);
        return;
    }
    if (columnCount() == 0)
        return; // not built yet: its initial update fills every row
    if (document_.Ports()[static_cast<std::size_t>(index)].present != 0)
        RewritePresentRow(index);
    else
        ReplacePortRow(index, kImageNoDevice);
}

// The run view's ports, never more than the document holds records for.
int CDevListView::PortRows() const
{
    return std::clamp(frame_.DevNoView, 0, kPortCount);
}

std::u16string CDevListView::Caption(std::u16string_view key, std::u16string_view english) const
{
    if (frame_.ToolIni == nullptr)
        return std::u16string(english);
    return frame_.ToolIni->GetString(languageSection_, key, english);
}

void CDevListView::InsertColumns()
{
    const bool flashDrive = (frame_.FabrunMode & kFabrunModeFlashDrive) != 0;
    const int columns = flashDrive ? static_cast<int>(std::size(kColumns)) : kFirstFlashColumn;
    setColumnCount(columns);
    for (int index = 0; index < columns; ++index) {
        const Column& column = kColumns[index];
        auto* header = new QTableWidgetItem(ToQString(Caption(column.key, column.english)));
        header->setTextAlignment(column.alignment);
        setHorizontalHeaderItem(index, header);
        setColumnWidth(index, column.width);
    }
}

// Like the list control, a row beyond the last one is appended.
int CDevListView::ReplacePortRow(int port, int image)
{
    if (port < rowCount())
        removeRow(port);
    const int row = std::min(port, rowCount());
    insertRow(row);
    auto* item = new QTableWidgetItem(images_[static_cast<std::size_t>(image)], ToQString(FormatInteger(rowFormat_, port + 1)));
    item->setTextAlignment(kColumns[0].alignment);
    setItem(row, 0, item);
    return row;
}

void CDevListView::RewritePresentRow(int port)
{
    const int row = ReplacePortRow(port, kImageDevicePresent);
    PortRecord& record = document_.Ports()[static_cast<std::size_t>(port)];
    int column = kFirstDeviceColumn;
    for (const std::u16string& text : DeviceCellTexts(record))
        SetCell(row, column++, text);
    if ((frame_.FabrunMode & kFabrunModeFlashDrive) == 0 || frame_.BlockMapHandle == nullptr)
        return;
    column = kFirstFlashColumn;
    for (const std::u16string& text : FlashCellTexts(*frame_.BlockMapHandle, port, frame_.CisSetting))
        SetCell(row, column++, text);
}

void CDevListView::SetCell(int row, int column, const std::u16string& text)
{
    if (column >= columnCount())
        return; // the flash columns were not made: the mode was chip mode at the initial update
    auto* item = new QTableWidgetItem(ToQString(text));
    item->setTextAlignment(kColumns[column].alignment);
    setItem(row, column, item);
}
