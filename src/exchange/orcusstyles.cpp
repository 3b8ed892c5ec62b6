#include "exchange/orcusstyles.h"

namespace exchange {

// A format id below 164 is built in, unless the file writes its code.
NumberFormat NumberStyles::formatOf(std::size_t xf) const {
    if (xf >= xfFormats_.size())
        return {};
    const std::size_t id = xfFormats_[xf];
    if (const auto code = codes_.find(id); code != codes_.end())
        return parseNumberFormat(code->second);
    return builtinNumberFormat(int(std::min<std::size_t>(id, 1000)));
}

std::size_t NumberStyles::commit_number_format() {
    codes_[formatId_] = std::move(formatCode_);
    formatCode_.clear();
    formatId_ = 0;
    return numberFormats_++;
}

std::size_t NumberStyles::commit_cell_xf() {
    xfFormats_.push_back(xfFormat_);
    xfFormat_ = 0;
    return xfFormats_.size() - 1;
}

} // namespace exchange
