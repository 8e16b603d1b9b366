#pragma once

class QCoreApplication;

/// The program's texts in the user's language.
namespace Translations {

/// Installs the translation of the program's own texts (and, where the system has it, of Qt's dialogs and
/// buttons) for the language the locale asks for (LANGUAGE, LC_ALL, LC_MESSAGES, LANG). English, the language
/// the texts are written in, needs none; a language without a translation falls back to it.
void install(QCoreApplication &application);

} // namespace Translations
