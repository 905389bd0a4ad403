// The serial-number block of a settings page: the generator mode, the current serial
// number, its length, mask and interval, and decimal or hexadecimal display. It edits the
// record's serial-number fields in place; the length text lives in the main frame
// (SerialLengthText) and outlasts the sheet. Showing the serial number never writes it
// back: only the operator's edits, the length's "OK", "Decimal SN" and "Reset SN" change it.
#pragma once

#include "platform/base/wintypes.h"

#include <QDate>

#include <functional>
#include <optional>
#include <string>

class CSettingPage;

class SerialNumberBlock {
public:
    explicit SerialNumberBlock(CSettingPage& page);

    // The handlers of the block's controls.
    void Connect();
    // The generator list's eight entries, in the page's language.
    void FillGeneratorList();
    // Applies the generator mode to the block and shows its values (UpdateSNControls).
    void Update();
    // The caption of label 1027 for the record's DecCheck.
    void SetSerialLabel();

    // The serial number this block wrote last, if it wrote one.
    std::optional<ULONGLONG> SerialNumberWritten() const { return written_; }

    // The local date of the date masks.
    std::function<QDate()> today = [] { return QDate::currentDate(); };

private:
    // N: the serial-number length from SerialLengthText.
    int Length() const;
    std::u16string SerialText() const;
    void StoreSerialNumber(ULONGLONG value);

    void OnSerialNumberChanged();
    void RefitMask();
    void OnIntervalChanged();
    void OnLengthOk();
    void OnGeneratorChanged();
    void OnDecimalClicked();

    CSettingPage& page_;
    std::optional<ULONGLONG> written_;
    bool showing_ = false;
};
