#pragma once

#include <QByteArray>

namespace faults {

// A route file of records of recordLength bytes with distinct keys, in no
// particular order; routeCode (four bytes, columns 1-4) tells files apart.
QByteArray distinctRouteFile(qsizetype records, qsizetype recordLength, QByteArrayView routeCode);

} // namespace faults
