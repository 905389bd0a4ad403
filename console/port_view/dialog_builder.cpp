#include "console/port_view/dialog_builder.h"

#include "controls/icon_button.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRect>
#include <QSlider>
#include <QWidget>

namespace {

QWidget* CreateControl(QWidget& form, const res::DialogControl& control)
{
    const QString text = QString::fromUtf16(control.text);
    switch (control.kind) {
    case res::ControlKind::GroupBox:
        return new QGroupBox(text, &form);
    case res::ControlKind::IconButton:
        return new CIconButton(&form);
    case res::ControlKind::ProgressBar: {
        auto* bar = new QProgressBar(&form);
        bar->setTextVisible(false);
        return bar;
    }
    case res::ControlKind::CheckBox:
        return new QCheckBox(text, &form);
    case res::ControlKind::Label:
        return new QLabel(text, &form);
    case res::ControlKind::Edit:
        return new QLineEdit(text, &form);
    case res::ControlKind::PushButton:
        return new QPushButton(text, &form);
    case res::ControlKind::DropList:
        return new QComboBox(&form);
    case res::ControlKind::Slider:
        return new QSlider(Qt::Horizontal, &form);
    }
    return nullptr;
}

} // namespace

DialogControls::DialogControls(QWidget& form, const res::DialogTemplate& dialog)
{
    const QFontMetrics metrics(form.font());
    const int baseX = metrics.averageCharWidth(), baseY = metrics.height();
    auto toPixels = [&](int x, int y, int cx, int cy) {
        return QRect(x * baseX / 4, y * baseY / 8, cx * baseX / 4, cy * baseY / 8);
    };
    // Group boxes first, so that the controls inside them lie above them.
    for (bool groups : {true, false})
        for (const res::DialogControl& control : dialog.controls) {
            if ((control.kind == res::ControlKind::GroupBox) != groups)
                continue;
            QWidget* widget = CreateControl(form, control);
            widget->setObjectName(QString::number(control.id));
            widget->setGeometry(toPixels(control.x, control.y, control.cx, control.cy));
            items_[control.id] = widget;
        }
    formSize_ = toPixels(0, 0, dialog.cx, dialog.cy).size();
}

QWidget* DialogControls::Item(UINT id) const
{
    auto found = items_.find(id);
    return found != items_.end() ? found->second : nullptr;
}
