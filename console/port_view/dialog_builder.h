// Builds the controls of a dialog template as child widgets of a form view, placed in
// dialog units of the form's font (a horizontal unit is a quarter of the average
// character width, a vertical one an eighth of the character height).
#pragma once

#include "resources/dialog_template.h"

#include <QSize>
#include <QWidget>

#include <map>


class DialogControls {
public:
    // Creates every control of `dialog` on `form` and sizes the form to the template.
    DialogControls(QWidget& form, const res::DialogTemplate& dialog);

    // The control of an id; nullptr for an id the template does not have.
    QWidget* Item(UINT id) const;
    template <class Widget>
    Widget* ItemAs(UINT id) const
    {
        return qobject_cast<Widget*>(Item(id));
    }

    QSize FormSize() const { return formSize_; }

private:
    std::map<UINT, QWidget*> items_;
    QSize formSize_;
};
