#include "settings/catalogues.h"

#include <QCoreApplication>

Catalogues::~Catalogues()
{
    if (!m_installed)
        return;
    QCoreApplication::removeTranslator(&m_program);
    QCoreApplication::removeTranslator(&m_qt);
}

void Catalogues::load(Language language)
{
    const bool english = language == Language::English;
    (void)m_program.load(english ? QStringLiteral(":/Quorvel/en_lang") : QStringLiteral(":/Quorvel/cn_lang"));
    if (english)
        (void)m_qt.load(QString());   // unloads
    else
        (void)m_qt.load(QStringLiteral(":/Quorvel/qtbase_zh_CN"));
}

void Catalogues::install()
{
    QCoreApplication::installTranslator(&m_qt);
    QCoreApplication::installTranslator(&m_program);
    m_installed = true;
}
