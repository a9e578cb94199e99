// The keys as the PC console codes them, the convention padlink's key table
// comes from: a key with a character gives its code; a special key gives 0
// and then its extended code, which depends on whether Shift, Ctrl or Alt
// is held. Several forms share a code (an arrow alone and with Shift).
#pragma once

#include "keys/key.h"

// The extended code of a special key in one of its forms; 0 for a form that
// has none (the keypad's '*' has one only with Alt).
int ExtendedCode(SpecialKey key, KeyForm form);

// The other way: the special key and form that an extended code stands for;
// false for a code that no special key gives. Where forms share a code (an
// arrow alone and with Shift), the first of plain, Shift, Ctrl, Alt is given.
bool KeyOfExtendedCode(int code, SpecialKey* key, KeyForm* form);
