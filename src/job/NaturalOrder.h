#pragma once

#include <QString>
#include <QStringList>

// The order people read page names in: case ignored, runs of digits (any script's,
// full-width too) compared as numbers, so "p2" comes before "p10" and "第２页" before
// "第10页"; a number comes before any other character ("第10页" before "第一页"). Names
// equal in that order keep a fixed order (fewer leading zeros first, then as spelled), so
// the order is total and a sort gives one list whatever order the names came in.
bool naturalLess(const QString &a, const QString &b);

// The names sorted in that order.
QStringList naturallySorted(QStringList names);
