// The interface language's catalogues: the program's own and Qt's (the
// buttons of a question, the file dialogs), loaded for one language and
// installed into the application while their owner lives. The window owns
// one; the station started on its own and a command-line run own theirs.
#ifndef CATALOGUES_H
#define CATALOGUES_H

#include <QTranslator>

#include "settings/appsettings.h"

class Catalogues
{
public:
    Catalogues() = default;
    Catalogues(const Catalogues &) = delete;
    Catalogues &operator=(const Catalogues &) = delete;
    ~Catalogues();

    // English is the program's catalogue alone; Chinese, the source
    // language, is Qt's own catalogue alone.
    void load(Language language);
    void install();

private:
    QTranslator m_program;
    QTranslator m_qt;
    bool m_installed = false;
};

#endif // CATALOGUES_H
