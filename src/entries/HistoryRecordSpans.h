#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace quillstack {

// Where each record object of a history file stands, found in one pass over the bytes without
// parsing the records: the text must be one JSON array whose elements are all objects, with
// only whitespace and single commas between them. Each span can then be parsed on its own, so
// the parser's memory follows the largest record rather than the whole file. The records'
// own contents (strings, nesting, UTF-8) are not checked here; their parser does that.
class HistoryRecordSpans {
public:
    // Nothing when the text is not such an array (or is cut off inside a record).
    static std::optional<std::vector<std::string_view>> find(std::string_view text);
};

} // namespace quillstack
