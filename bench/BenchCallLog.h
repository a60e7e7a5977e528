#pragma once

#include <functional>

#include "core/clsCaller.h"
#include "core/modCallerDB.h"
#include "platform/DateText.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlTransaction.h"

// Fills the open call log with count calls made by make(0) .. make(count - 1), in one transaction, so a
// benchmark's 100,000-call fixture builds in a moment (the call road's own AddCaller is measured apart).
inline void storeBenchCalls(int count, const std::function<clsCaller(int)>& make)
{
    SqlTransaction tx(*gCallerDB);
    SqlStatement st = gCallerDB->prepare(QStringLiteral(
        "INSERT INTO tblCID (fldName, fldNumber, fldDate, fldRings, fldAnswered) VALUES (?, ?, ?, ?, ?)"));
    for (int i = 0; i < count; ++i) {
        const clsCaller c = make(i);
        st.bind(1, c.Name);
        st.bind(2, c.Number.Number);
        st.bind(3, DateText::toIso(*DateText::parse(c.CallerDate)));
        st.bind(4, qint64(c.Rings));
        st.bind(5, c.Answered);
        st.exec();
        st.reset();
    }
    tx.commit();
}
