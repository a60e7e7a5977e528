#include "contacts/ContactForm.h"

#include <QLocale>

#include <cmath>

#include "core/modMain.h"

namespace ContactMode {

Change next(const QString& current, const QString& requested)
{
    if (requested != Editing)
        return {requested, false};
    if (current.isEmpty())
        return {Adding, true};
    if (current == Adding || current == Loading)
        return {current, false};
    return {Editing, false};
}

std::optional<QString> statusText(const QString& mode, const QString& contactName, const QString& databaseName,
                                  bool client)
{
    const bool namesFile = mode == Viewing || mode == Editing || mode == Adding;
    if (!namesFile)
        return QString();
    if (client)
        return std::nullopt;
    if (mode == Adding)
        return QStringLiteral("Adding a new contact in ") + databaseName;
    if (contactName.isEmpty())
        return QString();
    const QString verb = mode == Viewing ? QStringLiteral("Viewing contact ") : QStringLiteral("Editing contact ");
    return verb + contactName + QStringLiteral(" in ") + databaseName;
}

} // namespace ContactMode

QString groupFromBoxText(const QString& text)
{
    return text.compare(QLatin1String("<none>"), Qt::CaseInsensitive) == 0 ? QString() : text;
}

bool formDiffers(const ContactFields& fields, const clsContact& stored, bool client)
{
    if (fields.name != stored.Name)
        return true;
    if (fields.numbers.size() != stored.Numbers.count())
        return true;
    if (!client) {
        if (groupFromBoxText(fields.groupText) != stored.AttributeGroup)
            return true;
        if (fields.imageFile != stored.ImageFile)
            return true;
    }
    if (fields.otherInfo != stored.OtherInfo)
        return true;
    for (const auto& number : fields.numbers) {
        const QString shown = number->PrintNumberDescription();
        bool found = false;
        for (const auto& entry : stored.Numbers)
            found = found || entry.item->PrintNumberDescription() == shown;
        if (!found)
            return true;
    }
    return false;
}

QString cleanedName(const QString& typed) { return StripSeparators(typed, QString()); }

bool isNumericName(const QString& name)
{
    // What a number reader takes for a number: blanks around it, a sign, digits with a decimal point or an
    // exponent; "inf" and "nan" are words, not numbers.
    const QString t = name.trimmed();
    bool hasDigit = false;
    for (const QChar c : t)
        hasDigit = hasDigit || c.isDigit();
    if (!hasDigit)
        return false;
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    return ok && std::isfinite(v);
}

std::optional<QString> saveRefusal(const QString& typedName, int numberCount)
{
    const QString name = cleanedName(typedName);
    if (name.isEmpty())
        return QStringLiteral("You must enter a contact name.");
    if (numberCount == 0)
        return QStringLiteral("Each name must have at least one number associated with it.");
    if (isNumericName(name))
        return QStringLiteral("Contact names cannot be all numeric.");
    return std::nullopt;
}

clsContact buildRecord(const ContactFields& fields, const clsContact& stored, bool client)
{
    clsContact record;
    record.Name = cleanedName(fields.name);
    for (const auto& number : fields.numbers)
        record.AddNumber(number);
    if (client) {
        record.AttributeGroup = stored.AttributeGroup;
        record.ImageFile = stored.ImageFile;
    } else {
        record.AttributeGroup = groupFromBoxText(fields.groupText);
        record.ImageFile = fields.imageFile;
    }
    record.OtherInfo = StripSeparators(fields.otherInfo, QString());
    return record;
}

ContactFields cleanedFields(const ContactFields& fields)
{
    ContactFields cleaned = fields;
    cleaned.name = cleanedName(fields.name);
    cleaned.otherInfo = StripSeparators(fields.otherInfo, QString());
    return cleaned;
}

namespace {

QString withoutControls(QString text, bool keepLineBreaks)
{
    text.removeIf([keepLineBreaks](QChar c) {
        if (keepLineBreaks && (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t')))
            return false;
        return c.category() == QChar::Other_Control;
    });
    return text;
}

} // namespace

clsContact withoutControlCharacters(const clsContact& record)
{
    clsContact clean;
    clean.Name = withoutControls(record.Name, false);
    clean.AttributeGroup = withoutControls(record.AttributeGroup, false);
    clean.ImageFile = withoutControls(record.ImageFile, false);
    clean.OtherInfo = withoutControls(record.OtherInfo, true);
    for (const auto& entry : record.Numbers)
        clean.AddNumber(std::make_shared<clsNumber>(withoutControls(entry.item->Number, false),
                                                    withoutControls(entry.item->Description, false)));
    return clean;
}

clsContact cleanedRecord(const clsContact& peerRecord)
{
    const clsContact record = withoutControlCharacters(peerRecord);
    clsContact cleaned;
    cleaned.Name = cleanedName(record.Name);
    cleaned.AttributeGroup = record.AttributeGroup;
    cleaned.ImageFile = record.ImageFile;
    cleaned.OtherInfo = StripSeparators(record.OtherInfo, QString());
    for (const auto& entry : record.Numbers)
        cleaned.AddNumber(std::make_shared<clsNumber>(StripSeparators(entry.item->Number, QString()),
                                                      StripSeparators(entry.item->Description, QString())));
    return cleaned;
}

namespace ContactRequests {

QString add(const clsContact& record) { return QStringLiteral(";ADD CONTACT;") + record.PrintSend(); }

QString edit(const QString& storedName, const clsContact& record)
{
    return QStringLiteral(";EDIT CONTACT;") + storedName + QLatin1Char(';') + record.PrintSend();
}

QString remove(const QString& name) { return QStringLiteral(";DELETE CONTACT;") + name; }

} // namespace ContactRequests
