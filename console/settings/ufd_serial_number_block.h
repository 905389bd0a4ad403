// The serial-number block of the flash-drive settings page: the generator mode (seven
// modes, none reading the number from a disk), the current serial number shown whole in
// hexadecimal or decimal, the mask and the interval. Unlike the chip page's block it has
// no length: masks are 16 characters and the number is never cut. It edits the record's
// serial-number fields in place; showing the serial number never writes it back.
#pragma once

#include "platform/base/wintypes.h"

#include <QDate>

#include <functional>
#include <optional>

class CSettingPage;

class UfdSerialNumberBlock {
public:
    explicit UfdSerialNumberBlock(CSettingPage& page);

    // The handlers of the block's controls.
    void Connect();
    // The generator list's seven entries, in the page's language.
    void FillGeneratorList();
    // The caption of label 1027 for the record's DecCheck.
    void SetSerialLabel();
    // Applies the generator mode to the block and shows its values. `chosen`: the mode was
    // just chosen in the list (the custom mode then starts from an empty mask).
    void Update(bool chosen = false);

    // The serial number this block wrote last, if it wrote one.
    std::optional<ULONGLONG> SerialNumberWritten() const { return written_; }

    // The local date of the date masks.
    std::function<QDate()> today = [] { return QDate::currentDate(); };

private:
    void StoreSerialNumber(ULONGLONG value);

    void OnGeneratorChanged();
    void OnSerialNumberChanged();
    void OnMaskChanged();
    void OnIntervalChanged();
    void OnDecimalClicked();

    CSettingPage& page_;
    std::optional<ULONGLONG> written_;
    bool showing_ = false;
};
