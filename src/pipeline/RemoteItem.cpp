#include "pipeline/RemoteItem.h"

#include "app/FixedNames.h"
#include "pipeline/ReplaceEvery.h"

namespace kelvarin {

std::string IndexAddress(std::string_view server) {
    return std::string(server) + "/webprices.nsf/new+historical+stock+prices?openview";
}

std::string LocalName(std::string_view item) {
    return ReplaceEvery(std::string(item) + std::string(ZipExtension), "-", "");
}

std::string AddressId(std::string_view item) {
    return ReplaceEvery(item, ExchangeCode, "");
}

std::string ArchiveAddress(std::string_view server, std::string_view item) {
    return std::string(server) + "/webprices.nsf/stkprices/" + AddressId(item) +
           "/$File/SESprice.zip";
}

} // namespace kelvarin
