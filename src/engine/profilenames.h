#pragma once

#include "versiontypes.h"

#include <QStringView>

// Pro Engineer writes every save of a model as "model.type.N". These are the rules that
// decide which file names are such version files.

// A numeric text: blanks around it ignored, an optional sign, digits with at most one
// decimal point (at least one digit), optionally an exponent (E or e, optional sign, digits).
bool isNumericText(QStringView text);

// model name, ".", one of the chosen types (exact case), ".", a numeric version — read from
// the right, the version dot being the first dot whose tail is numeric.
bool isProEngVersionFile(QStringView name, const VersionTypeSet &types);
// The same with the six types that have a button.
bool isProEngVersionFile(QStringView name);
