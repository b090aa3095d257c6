// placeholder until this subsystem lands
#include "app/quorvel.h"

void Quorvel::initReadCfgCmds() {}
void Quorvel::on_pushButton_readConfiguration_clicked() {}
void Quorvel::readCfgRecvNewLine(QString recvStr) { Q_UNUSED(recvStr); }
void Quorvel::readCfgTimeout() {}
