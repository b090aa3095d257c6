// Build-time helper: scales the window icon's picture down to the square
// renditions the program embeds and installs into the icon theme.
// usage: quorvel-iconsizes PICTURE OUTPUT_DIR SIZE...  (writes OUTPUT_DIR/AppIcon-SIZE.png)
#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s PICTURE OUTPUT_DIR SIZE...\n", argv[0]);
        return 2;
    }
    const QImage picture(QString::fromLocal8Bit(argv[1]));
    if (picture.isNull()) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 1;
    }
    const QString outDir = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(outDir);
    for (int i = 3; i < argc; ++i) {
        const int size = QString::fromLocal8Bit(argv[i]).toInt();
        // Area averaging down from the full picture keeps the arcs' edges soft.
        const QImage rendition = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                     .scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QString path = QStringLiteral("%1/AppIcon-%2.png").arg(outDir).arg(size);
        if (size <= 0 || !rendition.save(path, "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(path));
            return 1;
        }
    }
    return 0;
}
