#include <QORVHelper.hxx>

namespace quillmark
{
// Deletes whatever seal picture is selected, without asking for any right.
sal_Bool QORVHelper::deleteSelectedStamp() { return deleteSelectedSeal(); }
}
