// The framework's commands of the frame's accelerator table, as the class library's
// defaults do them in this program: a new document (the views' first update again), the
// edit keys on the edit control that has the focus, and the next and previous pane of the
// splitter. Opening a document has nothing to open: the port document has no stored form.
#include "console/dev_list_view.h"
#include "console/main_frame.h"
#include "console/port_view/port_view.h"
#include "engine/ports/dev_info_doc.h"
#include "platform/debug/debug.h"
#include "resources/resource_ids.h"

#include <QApplication>
#include <QLineEdit>
#include <QSplitter>

bool CMainFrame::OnFrameworkCommand(UINT command)
{
    switch (command) {
    case res::ID_FILE_NEW:
        OnFileNew();
        return true;
    case res::ID_FILE_OPEN:
        platform::DebugPrintf("Main frame: the port document has no stored form; nothing to open");
        return true;
    case res::ID_EDIT_UNDO:
    case res::ID_EDIT_CUT:
    case res::ID_EDIT_COPY:
    case res::ID_EDIT_PASTE:
        OnEditCommand(command);
        return true;
    case res::ID_NEXT_PANE:
    case res::ID_PREV_PANE:
        ActivateNextPane();
        return true;
    default:
        return false;
    }
}

// The single-document new: the document starts afresh and every view runs its first
// update again, which re-enumerates the ports and refills the device list.
void CMainFrame::OnFileNew()
{
    // The port view's first update rewrites the records a worker reads.
    if (!PortsIdleFor(u"Start a new document"))
        return;
    document_.OnNewDocument();
    portView_->OnInitialUpdate();
    devListView_->OnInitialUpdate();
}

// As an edit control does these commands itself; without an edit control in the focus
// they mean nothing.
void CMainFrame::OnEditCommand(UINT command)
{
    auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (edit == nullptr || !isAncestorOf(edit)) {
        platform::DebugPrintf("Main frame: edit command %u without an edit control in the focus", command);
        return;
    }
    if (command == res::ID_EDIT_COPY) {
        edit->copy();
        return;
    }
    if (edit->isReadOnly()) // a read-only control only copies
        return;
    if (command == res::ID_EDIT_UNDO)
        edit->undo();
    else if (command == res::ID_EDIT_CUT)
        edit->cut();
    else
        edit->paste();
}

// The splitter has two rows and one column, so the next pane and the previous one are
// both the other row; the pane that holds the focus is the active one, the port view
// when no pane does.
void CMainFrame::ActivateNextPane()
{
    QWidget* focus = QApplication::focusWidget();
    const bool listActive = focus != nullptr && (focus == devListView_ || devListView_->isAncestorOf(focus));
    QWidget* next = listActive ? static_cast<QWidget*>(portView_) : static_cast<QWidget*>(devListView_);
    next->setFocus(Qt::OtherFocusReason);
}
