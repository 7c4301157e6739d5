#pragma once

#include <QByteArray>

// Redirected input as the Enter key would have typed it: CR LF, a lone LF and a lone CR each
// become one CR. pendingCr carries a CR that ended the previous chunk, so a CR LF split across
// two reads still becomes a single CR. No other byte is touched and nothing is decoded.
QByteArray normalizeLineEndings(const QByteArray& bytes, bool& pendingCr);
