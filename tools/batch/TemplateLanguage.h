// SPDX-License-Identifier: Apache-2.0
// The template a device's page is made from follows the user's language; a
// device whose folder has the template only in the other language fails,
// and the user should hear why rather than just "File not found".
#pragma once

#include <QString>

/// The other language's template of the description at `descriptionPath`
/// when the one for the user's language is missing and that one is there;
/// empty otherwise (also when the description cannot be read).
QString otherLanguageTemplate(const QString &descriptionPath);
