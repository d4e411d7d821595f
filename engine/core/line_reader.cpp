#include "engine/core/line_reader.h"

#include "engine/core/errors.h"
#include "engine/core/id_rfc_reply.h"
#include "engine/core/text.h"

namespace tavo::engine {

std::string ReceiveLine(TIdLineSource& source, int maxLineLength, TIdMaxLineAction action) {
    TIdManagedBuffer& buffer = source.InputBuffer();
    const size_t limit = maxLineLength > 0 ? static_cast<size_t>(maxLineLength) : 0;
    size_t searchFrom = 0;
    for (;;) {
        size_t terminator = std::string::npos;
        if (!buffer.Empty()) {
            terminator = buffer.Find('\n', searchFrom);
            searchFrom = buffer.Size();
        }
        bool tooLong = limit > 0 && (terminator != std::string::npos ? terminator > limit
                                                                     : buffer.Size() > limit);
        if (tooLong) {
            if (action == maException)
                throw EIdReadLnMaxLineLengthExceeded();
            return buffer.TakeString(limit);
        }
        if (terminator == std::string::npos) {
            source.CheckPeerClosed(true, true);
            if (source.FillInputBuffer() == 0)
                return {};
            continue;
        }
        std::string line = buffer.TakeString(terminator + 1);
        line.pop_back();
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return line;
    }
}

std::string ReceiveNonBlankLine(TIdLineSource& source, int maxLineLength, TIdMaxLineAction action,
                                int attempts) {
    for (int i = 0; i < attempts; ++i) {
        std::string line = Trim(ReceiveLine(source, maxLineLength, action));
        if (!line.empty())
            return line;
    }
    return {};
}

std::vector<std::string> ReceiveReplyLines(TIdLineSource& source, int maxLineLength,
                                           TIdMaxLineAction action, TIdReplyEnd end) {
    std::vector<std::string> lines;
    lines.push_back(ReceiveNonBlankLine(source, maxLineLength, action));
    if (!OpensMultiLineReply(lines.front()))
        return lines;
    size_t keptBytes = lines.front().size();
    for (;;) {
        std::string line = ReceiveNonBlankLine(source, maxLineLength, action);
        if (EndsMultiLineReply(lines.front(), line, end)) {
            lines.push_back(std::move(line));
            return lines;
        }
        // Lines past the bounds are read and dropped, not refused: stopping early would
        // leave the rest of the reply to answer the next command.
        if (lines.size() + 1 < MaxReplyLines && keptBytes + line.size() <= MaxReplyBytes) {
            keptBytes += line.size();
            lines.push_back(std::move(line));
        }
    }
}

} // namespace tavo::engine
