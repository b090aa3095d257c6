// The built-in Chinese face; see interfacefont.h.
#include "app/interfacefont.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QResource>

namespace interfacefont {

void install()
{
#ifdef QUORVEL_INTERFACE_FACE
    // Stored uncompressed (rcc -no-compress), so the font database reads the
    // program's own pages, no copy.
    const QResource face(QStringLiteral(":/Quorvel/interface-cjk.ttf"));
    const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char *>(face.data()), face.size());
    const QStringList added = QFontDatabase::applicationFontFamilies(QFontDatabase::addApplicationFontFromData(data));
    if (added.isEmpty())
        return;
    // The face the desktop's font resolves to, by name: a generic name such as
    // "Sans Serif" is no family of the font database, and a list would skip it
    // and make the Chinese face the first, its line height every widget's.
    QFont font = QApplication::font();
    font.setFamilies(QStringList{QFontInfo(font).family()} + added);
    QApplication::setFont(font);
#endif
}

} // namespace interfacefont
