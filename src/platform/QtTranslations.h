#pragma once

// Qt's own texts (the standard buttons of message boxes and dialogs) in the
// wizard's language: Qt's Japanese translation for 1041, Qt's built-in
// English for every other language. UI thread; the last call wins.
// False when the Japanese translation is not installed (the buttons then
// stay English).
bool UseQtStandardTexts(int language);
