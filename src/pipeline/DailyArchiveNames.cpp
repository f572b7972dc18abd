#include "pipeline/DailyArchiveNames.h"

#include "app/FixedNames.h"

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
    std::string address(server);
    address += ArchiveFolderPath;
    address += AddressId(item);
    address += ArchiveFilePath;
    return address;
}

std::string UnzippedName(std::string_view archiveName) {
    const std::size_t code = archiveName.find(ExchangeCode);
    if (code != std::string_view::npos)
        archiveName.remove_prefix(code);
    return ReplaceEvery(archiveName, ZipExtension, DatExtension);
}

std::optional<std::string_view> TradingDateOf(std::string_view name) {
    constexpr std::size_t DateDigits = 8;
    const std::size_t code = name.find(ExchangeCode);
    if (code == std::string_view::npos)
        return std::nullopt;
    const std::string_view date = name.substr(code + ExchangeCode.size(), DateDigits);
    if (date.size() != DateDigits || date.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    return date;
}

std::string ReplaceEvery(std::string_view text, std::string_view from, std::string_view to) {
    std::string result;
    result.reserve(text.size());
    std::size_t at = 0;
    for (std::size_t found; (found = text.find(from, at)) != std::string_view::npos;
         at = found + from.size()) {
        result.append(text, at, found - at);
        result.append(to);
    }
    result.append(text, at);
    return result;
}

} // namespace kelvarin
