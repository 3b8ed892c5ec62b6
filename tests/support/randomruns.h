#pragma once

#include <QByteArray>
#include <QString>

class QWidget;

// What the random runs (the monkeys, the command sequences) share: their settings from the
// environment, a note written out should the test die of a signal, and widgets named in their logs.

// The environment variable `name` as a number, `fallback` when it is unset or not a number.
int environmentNumber(const char* name, int fallback);

// From now on a fatal signal (SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL) first writes the latest
// note to standard error, then goes on to the handler before it (Qt Test's).
void watchForCrashes();
// The note a crash writes out (at most 8 KiB): the steps so far and how to replay them.
void noteForCrash(const QByteArray& text);

// A widget by its object name; Qt's own parts (a scroll area's viewport) by their class and
// their owner's name; "nothing" for none.
QString widgetName(const QWidget* widget);
