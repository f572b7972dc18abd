#pragma once

#include <string>

namespace kelvarin::exchange {

struct ZipMember {
    std::string name;
    std::string content;
};

} // namespace kelvarin::exchange
