#include "explorer/MainRows.h"

#include "explorer/UtilUnit.h"

namespace kivo::explorer {

std::optional<int32_t> RowFileIndex(const ListViewControl& list, int row) {
    std::optional<int64_t> index = ParseDecimal(list.Cell(row, kIndexColumn));
    if (!index || *index < 6 || *index > 254)
        return std::nullopt;
    return static_cast<int32_t>(*index);
}

std::string LastComponent(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace kivo::explorer
