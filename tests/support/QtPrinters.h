#pragma once

#include <QByteArray>
#include <QString>
#include <QUuid>

#include <ostream>

// GoogleTest prints a value through a PrintTo found by argument-dependent lookup. QString,
// QByteArray and QUuid live in the global namespace, so these do too; without them a failed
// expectation shows the objects' raw bytes. Every test target includes this header first
// (see tests/CMakeLists.txt), so that all of them print these types the same way.

// Quoted and escaped UTF-8, cut after a few hundred characters.
void PrintTo(const QString& text, std::ostream* out);
// Quoted, with bytes outside printable ASCII escaped, cut after a few hundred bytes.
void PrintTo(const QByteArray& bytes, std::ostream* out);
// The canonical text form without braces.
void PrintTo(const QUuid& uuid, std::ostream* out);
