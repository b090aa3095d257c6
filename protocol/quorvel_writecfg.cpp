// placeholder until this subsystem lands
#include "app/quorvel.h"

void Quorvel::initWriteCfgCmds() {}
void Quorvel::on_pushButton_writeConfiguartion_clicked() {}
void Quorvel::writeCfgRecvNewLine(QString recvStr) { Q_UNUSED(recvStr); }
void Quorvel::writeCfgTimeout() {}
