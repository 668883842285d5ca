#pragma once
// The help text beside the video, line by line.

#include <QStringList>

QStringList HelpTextLines();
