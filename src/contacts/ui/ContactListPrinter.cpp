#include "contacts/ui/ContactListPrinter.h"

#include "core/ui/PageLayout.h"

namespace ContactListPrinter {

namespace {
constexpr double NameLeft = 0.5;
constexpr double NameWidth = 2.3;
constexpr double NumberLeft = 2.945;
constexpr double NumberWidth = 5.0;
} // namespace

bool PrintContacts(QPrinter& printer, const KeyedCollection<clsContact>& contacts)
{
    PageLayout layout({{QStringLiteral("Name"), NameLeft}, {QStringLiteral("Numbers"), NumberLeft}});
    return layout.print(printer, QStringLiteral("frmContacts_PrintContacts"), [&contacts](PageLayout& p) {
        p.PrintPageHeader();
        bool first = true;
        for (const auto& entry : contacts) {
            const clsContact& contact = *entry.item;
            if (p.pageFull()) {
                p.breakPageIfFull();
            } else if (!first) {
                p.printLine(QString());
                p.breakPageIfFull();
            }
            first = false;
            const double line = p.y();
            p.PrintText(contact.Name, NameLeft, line, NameWidth);
            bool firstNumber = true;
            for (const auto& number : contact.Numbers) {
                const QString text = number.item->PrintNumberDescription();
                if (firstNumber) {
                    p.PrintText(text, NumberLeft, line, NumberWidth);
                    p.breakPageIfFull();
                    firstNumber = false;
                } else {
                    p.breakPageIfFull();
                    p.PrintText(text, NumberLeft, p.y(), NumberWidth);
                }
            }
        }
        p.PrintPageFooter();
    });
}

} // namespace ContactListPrinter
