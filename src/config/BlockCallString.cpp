#include "config/BlockCallString.h"

#include "core/PhoneNumber.h"
#include "core/modMain.h"

std::optional<QString> NormaliseBlockCallString(const QString& typed)
{
    const std::optional<QString> formatted = FormatPhoneNumber(typed, true);
    if (!formatted)
        return std::nullopt;
    // Nothing of the separators can be left in a number or a number word; stripped all the same, as every
    // text that goes into a settings list is.
    return StripSeparators(*formatted);
}

QString BlockCallStringLengthMessage() { return QStringLiteral("The block call string must be 7 or 10 digits long."); }

bool AddBlockCallString(QStringList& list, const QString& entry)
{
    for (const QString& e : std::as_const(list)) {
        if (e.compare(entry, Qt::CaseInsensitive) == 0)
            return false;
    }
    list << entry;
    return true;
}
