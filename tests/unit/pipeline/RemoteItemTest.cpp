#include "pipeline/DailyArchiveNames.h"

#include <gtest/gtest.h>

namespace kelvarin {
namespace {

TEST(RemoteItemTest, PlainItemNamesAndAddresses) {
    EXPECT_EQ(LocalName("SGX20040123"), "SGX20040123.zip");
    EXPECT_EQ(AddressId("SGX20040123"), "20040123");
    EXPECT_EQ(ArchiveAddress("http://127.0.0.1:8080", "SGX20040123"),
              "http://127.0.0.1:8080/webprices.nsf/stkprices/20040123/$File/SESprice.zip");
}

TEST(RemoteItemTest, DashesLeaveTheLocalNameButStayInTheAddress) {
    EXPECT_EQ(LocalName("SGX2004-01-23"), "SGX20040123.zip");
    EXPECT_EQ(AddressId("SGX2004-01-23"), "2004-01-23");
    EXPECT_EQ(ArchiveAddress("http://host", "SGX2004-01-23"),
              "http://host/webprices.nsf/stkprices/2004-01-23/$File/SESprice.zip");
}

TEST(RemoteItemTest, EverySgxIsRemovedFromTheAddressId) {
    EXPECT_EQ(AddressId("SGX1SGX2"), "12");
    EXPECT_EQ(AddressId("SGX"), "");
    EXPECT_EQ(LocalName("SGX"), "SGX.zip");
}

TEST(RemoteItemTest, IndexAddressFollowsTheServer) {
    EXPECT_EQ(IndexAddress("http://127.0.0.1:8080"),
              "http://127.0.0.1:8080/webprices.nsf/new+historical+stock+prices?openview");
}

} // namespace
} // namespace kelvarin
