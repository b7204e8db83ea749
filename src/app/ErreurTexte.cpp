#include "app/ErreurTexte.h"

#include "db/DbError.h"
#include "export/ExportError.h"

QString ErreurTexte(const std::exception &e)
{
    if (const auto *db = dynamic_cast<const DbError *>(&e))
        return db->message();
    if (const auto *ex = dynamic_cast<const ExportError *>(&e))
        return ex->message();
    return QString::fromUtf8(e.what());
}
