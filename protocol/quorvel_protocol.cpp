// placeholder until this subsystem lands
#include "app/quorvel.h"

void Quorvel::initErrStrMap() {}
QString Quorvel::getErrStrFromCode(int code) { Q_UNUSED(code); return QString(); }
void Quorvel::commonRspProc(QString line) { Q_UNUSED(line); }
