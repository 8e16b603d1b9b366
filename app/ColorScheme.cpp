#include "ColorScheme.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QStyleFactory>

namespace ColorScheme {

namespace {

    // The portal answers at once when it runs; the window must not wait long for a desktop that has none.
    constexpr int portalTimeoutMs = 500;

    Preference portalPreference()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return Preference::none;
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.portal.Desktop"),
            QStringLiteral("/org/freedesktop/portal/desktop"), QStringLiteral("org.freedesktop.portal.Settings"),
            QStringLiteral("Read"));
        call << QStringLiteral("org.freedesktop.appearance") << QStringLiteral("color-scheme");
        const QDBusMessage reply = bus.call(call, QDBus::Block, portalTimeoutMs);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return Preference::none;
        // Read answers a variant holding the value, which older portals wrap in one more variant.
        QVariant value = reply.arguments().constFirst();
        while (value.canConvert<QDBusVariant>())
            value = value.value<QDBusVariant>().variant();
        switch (value.toUInt()) {
        case 1:
            return Preference::dark;
        case 2:
            return Preference::light;
        default:
            return Preference::none;
        }
    }

    Preference gtkPreference()
    {
        const QString theme = qEnvironmentVariable("GTK_THEME");
        if (!theme.isEmpty())
            return theme.endsWith(QLatin1String(":dark"), Qt::CaseInsensitive)
                    || theme.section(QLatin1Char(':'), 0, 0).endsWith(QLatin1String("-dark"), Qt::CaseInsensitive)
                ? Preference::dark
                : Preference::light;
        const QString file = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            + QStringLiteral("/gtk-3.0/settings.ini");
        if (!QFile::exists(file))
            return Preference::none;
        const QSettings settings(file, QSettings::IniFormat);
        const QString preferDark
            = settings.value(QStringLiteral("Settings/gtk-application-prefer-dark-theme")).toString();
        if (preferDark == QLatin1String("1") || preferDark.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return Preference::dark;
        if (settings.value(QStringLiteral("Settings/gtk-theme-name"))
                .toString()
                .endsWith(QLatin1String("-dark"), Qt::CaseInsensitive))
            return Preference::dark;
        return Preference::none;
    }

} // namespace

Preference desktopPreference()
{
    if (const Preference portal = portalPreference(); portal != Preference::none)
        return portal;
    return gtkPreference();
}

QPalette darkPalette()
{
    const QColor window(0x2d, 0x2d, 0x2d);
    const QColor base(0x1f, 0x1f, 0x1f);
    const QColor text(0xf0, 0xf0, 0xf0);
    const QColor disabledText(0x8a, 0x8a, 0x8a);
    const QColor button(0x3b, 0x3b, 0x3b);
    const QColor highlight(0x2a, 0x64, 0xc5);

    QPalette palette(button, window);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, QColor(0x27, 0x27, 0x27));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, button);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, QColor(0xff, 0x8a, 0x80));
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, QColor(0x8a, 0xb4, 0xf8));
    palette.setColor(QPalette::LinkVisited, QColor(0xc5, 0x8a, 0xf9));
    palette.setColor(QPalette::ToolTipBase, QColor(0x3b, 0x3b, 0x3b));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, QColor(0xa8, 0xa8, 0xa8));
    palette.setColor(QPalette::Light, QColor(0x4a, 0x4a, 0x4a));
    palette.setColor(QPalette::Midlight, QColor(0x42, 0x42, 0x42));
    palette.setColor(QPalette::Mid, QColor(0x25, 0x25, 0x25));
    palette.setColor(QPalette::Dark, QColor(0x1a, 0x1a, 0x1a));
    palette.setColor(QPalette::Shadow, QColor(0x0a, 0x0a, 0x0a));
    for (const QPalette::ColorRole role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        palette.setColor(QPalette::Disabled, role, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x45, 0x45, 0x45));
    palette.setColor(QPalette::Disabled, QPalette::HighlightedText, disabledText);
    return palette;
}

void apply(QApplication &application, Preference preference)
{
    (void)application;
    if (preference != Preference::dark)
        return;
    if (QApplication::palette().color(QPalette::Window).lightness() < 128)
        return;
    // Fusion draws every control from the palette; the platform's default style may not.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(darkPalette());
}

} // namespace ColorScheme
