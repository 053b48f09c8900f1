#pragma once

#include <QString>

// A count as every text of the program writes it: digits grouped by three
// with commas ("3,158", "1,811個").
QString NumberText(qint64 number);
