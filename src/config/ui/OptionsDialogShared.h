#pragma once

#include "core/SettingsKeys.h"
#include "core/modProperties.h"

// What the files that make up the options dialog share.
namespace OptionsDialog {

inline bool storedTrue(const char* key, const char* defaultValue)
{
    return GetProperty(Section::frmConfiguration, key, QString::fromLatin1(defaultValue)) == QLatin1String("True");
}

} // namespace OptionsDialog
