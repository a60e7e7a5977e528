#pragma once

#include <QString>

// One telephone number with its description. An empty description and "NONE" both mean "no description".
class clsNumber {
public:
    clsNumber() = default;
    clsNumber(const QString& number, const QString& description) : Number(number), Description(description) {}

    QString Number; // as shown: "(123) 456-7890", "NOT RECEIVED" ...
    QString Description;

    // "number (description)", or the number alone without a description.
    QString PrintNumberDescription() const;
    // Text form: |NUMBER|number|description, "NONE" standing for an empty description.
    QString PrintSend() const;

    bool operator==(const clsNumber&) const = default;
};
