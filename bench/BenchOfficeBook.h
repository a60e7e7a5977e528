#pragma once

#include <QString>

#include <memory>

#include "core/clsContact.h"
#include "core/modContactDB.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlTransaction.h"

// A small office's log and book: 100,000 calls from about 20,000 numbers, and contacts of three numbers
// each, which own three quarters of those numbers (at 5,000 contacts).
inline constexpr int kOfficeNumbers = 20000;

inline QString officeNumber(int j) { return QStringLiteral("(%1) 555-%2").arg(200 + j / 100).arg(1000 + j % 100); }

// Writes contacts "Contact k" owning officeNumber(3k), (3k + 1) and (3k + 2) into the open contact file, in
// one transaction (the contact store's own saving is measured apart).
inline void storeOfficeContacts(int contacts)
{
    SqlTransaction tx(*gContactDB);
    SqlStatement addContact =
        gContactDB->prepare(QStringLiteral("INSERT INTO tblContacts (fldName, fldAttributeGroup) VALUES (?, ?)"));
    SqlStatement addNumber = gContactDB->prepare(
        QStringLiteral("INSERT INTO tblNumbers (fldName, fldNumber, fldDescription) VALUES (?, ?, ?)"));
    for (int k = 0; k < contacts; ++k) {
        const QString name = QStringLiteral("Contact %1").arg(k);
        addContact.bind(1, name);
        addContact.bind(2, QString());
        addContact.exec();
        addContact.reset();
        for (int n = 0; n < 3; ++n) {
            addNumber.bind(1, name);
            addNumber.bind(2, officeNumber(3 * k + n));
            addNumber.bind(3, QStringLiteral("Work"));
            addNumber.exec();
            addNumber.reset();
        }
    }
    tx.commit();
}

// The same book as a server sends it to its clients.
inline QString officeContactsSend(int contacts)
{
    QString text = QStringLiteral(";CLEAR CONTACTS;");
    for (int k = 0; k < contacts; ++k) {
        clsContact c;
        c.Name = QStringLiteral("Contact %1").arg(k);
        for (int n = 0; n < 3; ++n)
            c.AddNumber(std::make_shared<clsNumber>(officeNumber(3 * k + n), QStringLiteral("Work")));
        text += QStringLiteral(";CONTACT;") + c.PrintSend();
    }
    return text;
}
