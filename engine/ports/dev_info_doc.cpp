#include "engine/ports/dev_info_doc.h"

CDevInfoDoc::CDevInfoDoc(QObject* parent) : QObject(parent) {}

CDevInfoDoc::~CDevInfoDoc() = default;

BOOL CDevInfoDoc::IsModified() const
{
    return modified_;
}

void CDevInfoDoc::SetModifiedFlag(BOOL modified)
{
    modified_ = modified;
}

BOOL CDevInfoDoc::OnNewDocument()
{
    SetModifiedFlag(FALSE);
    return TRUE;
}
