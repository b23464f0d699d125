#pragma once
// A small real bank folder written by the test: "bank.json", one instrument document shared by
// an instrument and a kit, one preset document and one 16-bit mono WAV asset.
#include <string>

namespace velmo::test {

struct BankFolderOptions {
    bool wrongAssetHash = false;
};

// A fresh folder under the system's temporary folder; removed by the destructor.
class BankFolder {
public:
    explicit BankFolder(const BankFolderOptions& options = {});
    ~BankFolder();
    BankFolder(const BankFolder&) = delete;
    BankFolder& operator=(const BankFolder&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace velmo::test
