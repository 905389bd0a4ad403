#include "console/settings/busy_dialog.h"

#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <thread>

namespace {

// Cannot be closed by the operator: it ends with its job.
class BusyDialog final : public QDialog {
public:
    BusyDialog(QWidget* owner, const QString& text) : QDialog(owner)
    {
        setWindowTitle(QStringLiteral("Fabrun"));
        setWindowFlags((windowFlags() | Qt::CustomizeWindowHint) & ~Qt::WindowCloseButtonHint);
        setModal(true);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(text, this));
        auto* bar = new QProgressBar(this);
        bar->setRange(0, 0);
        bar->setMinimumWidth(280);
        layout->addWidget(bar);
    }

    void Finish()
    {
        finished_ = true;
        done(QDialog::Accepted);
    }

    void reject() override
    {
        if (finished_)
            QDialog::reject();
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (!finished_)
            event->ignore();
    }

private:
    bool finished_ = false;
};

} // namespace

void RunBehindBusyDialog(QWidget* owner, const QString& text, const std::function<void()>& job)
{
    BusyDialog dialog(owner, text);
    std::thread worker([&] {
        job();
        // Queued, so that it runs inside the dialog's loop even when the job ends first.
        QMetaObject::invokeMethod(&dialog, [&dialog] { dialog.Finish(); }, Qt::QueuedConnection);
    });
    dialog.exec();
    worker.join();
}
