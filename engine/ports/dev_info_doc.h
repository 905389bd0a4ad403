// The program's single document: the 32 port records that the server fills in place during
// its scans and polls, and that the views and the device list read.
#pragma once

#include "platform/base/wintypes.h"
#include "portwarden/records.h"

#include <QObject>

#include <array>

class CDevInfoDoc : public QObject {
    Q_OBJECT

public:
    using PortRecords = std::array<PortRecord, kPortCount>;

    explicit CDevInfoDoc(QObject* parent = nullptr);
    ~CDevInfoDoc() override;

    BOOL IsModified() const;
    void SetModifiedFlag(BOOL modified = TRUE);
    // A new document starts unmodified; the port records stay as the last walk left them.
    BOOL OnNewDocument();

    // Index n is port n; data() is the array of 32 the server's operations take.
    PortRecords& Ports() { return ports_; }
    const PortRecords& Ports() const { return ports_; }

private:
    PortRecords ports_{};
    BOOL modified_ = FALSE;
};
