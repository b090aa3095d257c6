// placeholder until this subsystem lands
#include "app/quorvel.h"

void Quorvel::on_pushButton_reset_clicked() {}
void Quorvel::on_pushButton_restore_clicked() {}
void Quorvel::on_comboBox_defaultWorkMode_currentIndexChanged(int index) { Q_UNUSED(index); }
void Quorvel::on_pushButton_startNet_clicked() {}
void Quorvel::on_pushButton_leaveNet_clicked() {}
void Quorvel::on_pushButton_enter_TP_clicked() {}
void Quorvel::on_pushButton_quit_TP_clicked() {}
