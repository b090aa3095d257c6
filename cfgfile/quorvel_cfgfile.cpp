// placeholder until this subsystem lands
#include "app/quorvel.h"

void Quorvel::on_pushButton_Export_clicked() {}
void Quorvel::on_pushButton_Import_clicked() {}
