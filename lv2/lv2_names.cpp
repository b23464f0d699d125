#include "lv2/lv2_names.h"

#include <cctype>

namespace velmo::lv2 {

std::string portSymbol(const velmo_param_desc& desc) {
    std::string symbol = desc.path;
    for (char& c : symbol) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return symbol;
}

}  // namespace velmo::lv2
