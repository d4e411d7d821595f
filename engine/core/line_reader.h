#pragma once
// Line and reply reading over a connection's input buffer, kept apart from the socket code
// so that the rules of where a line or a reply ends can be exercised on bytes alone.

#include "engine/core/id_buffer.h"
#include "engine/core/id_rfc_reply.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tavo::engine {

enum TIdMaxLineAction { maException, maSplit };

// What line reading needs from a connection.
class TIdLineSource {
public:
    virtual ~TIdLineSource() = default;
    virtual TIdManagedBuffer& InputBuffer() = 0;
    virtual void CheckPeerClosed(bool raiseIfClosed, bool ignoreBuffer) = 0;
    // Waits for and buffers more bytes; 0 when the peer closed with bytes still buffered.
    virtual int FillInputBuffer() = 0;
};

// One LF-terminated line without its terminator (and one CR before it). Only bytes that
// arrived since the previous search are scanned. An empty line comes back when the peer
// closed without completing one.
std::string ReceiveLine(TIdLineSource& source, int maxLineLength, TIdMaxLineAction action);

// The first line that is not blank after trimming, trimmed; empty after `attempts` blanks.
std::string ReceiveNonBlankLine(TIdLineSource& source, int maxLineLength, TIdMaxLineAction action,
                                int attempts = 2147483647);

// What one reply may hold in memory, whatever the server sends: the first lines up to
// these bounds and the closing line. The end line counts toward MaxReplyLines.
inline constexpr size_t MaxReplyLines = 1000;
inline constexpr size_t MaxReplyBytes = 65536;

// The raw (trimmed) lines of one FTP reply, multi-line replies included. A longer reply is
// read to its end, keeping its first lines within the bounds above and its closing line.
std::vector<std::string> ReceiveReplyLines(TIdLineSource& source, int maxLineLength,
                                           TIdMaxLineAction action,
                                           TIdReplyEnd end = TIdReplyEnd::CodeOrShortLine);

} // namespace tavo::engine
