#pragma once

#include <QStringView>

// Pro Engineer writes every save of a model as "model.type.N". These are the rules that
// decide which file names are such version files.

// A numeric text: blanks around it ignored, an optional sign, digits with at most one
// decimal point (at least one digit), optionally an exponent (E or e, optional sign, digits).
bool isNumericText(QStringView text);

// model name, ".", one of the six types (exact case), ".", a numeric version — read from
// the right, the version dot being the first dot whose tail is numeric.
bool isProEngVersionFile(QStringView name);
