#pragma once

#include <QPalette>

class QApplication;

/// The window follows the desktop's light or dark colour scheme.
namespace ColorScheme {

enum class Preference { none, light, dark };

/// What the desktop asks for, first answer wins: the settings portal's org.freedesktop.appearance
/// color-scheme (GNOME, KDE and others publish it there), the GTK_THEME variable ("Adwaita:dark"), then GTK's
/// own settings file (gtk-application-prefer-dark-theme, or a theme named "...-dark").
Preference desktopPreference();

/// The palette of the dark scheme: every text role reads at 4.5:1 or more on the colours behind it.
QPalette darkPalette();

/// Gives the application the dark palette when `preference` is dark and the platform's own palette is light
/// (a desktop whose theme already supplies a dark palette keeps it). Call before any window is built.
void apply(QApplication &application, Preference preference);

} // namespace ColorScheme
