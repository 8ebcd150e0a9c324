// Test hooks of the hive's saves: a back end of the hive's files that fails one step
// of every save and hands the rest to the build's back end.
#include <memory>

#include "registry/hive_files.h"
#include "testing/testing.h"

namespace platform::test {
namespace {

using registry::HiveFiles;

class FaultyFiles : public HiveFiles {
public:
  FaultyFiles(SaveStep step, int error) : step_(step), error_(error) {}

  void Start(const std::string &folder, const std::string &hivePath) override {
    inner_.Start(folder, hivePath);
  }
  int MakeFolders(const std::string &folder) override {
    return Fails(SaveStep::MakeFolder) ? error_ : inner_.MakeFolders(folder);
  }
  UniqueFd OpenLock(const std::string &path, int *error) override {
    return Refused(SaveStep::Lock, error) ? UniqueFd() : inner_.OpenLock(path, error);
  }
  UniqueFd CreateTemp(const std::string &hivePath, std::string *tempPath, int *error) override {
    return Refused(SaveStep::CreateTemp, error) ? UniqueFd()
                                                : inner_.CreateTemp(hivePath, tempPath, error);
  }
  int Write(int fd, const std::string &bytes) override {
    if (!Fails(SaveStep::Write)) {
      return inner_.Write(fd, bytes);
    }
    const int error = inner_.Write(fd, bytes.substr(0, bytes.size() / 2));
    return error != 0 ? error : error_;
  }
  int FlushFile(int fd) override {
    return Fails(SaveStep::FlushFile) ? error_ : inner_.FlushFile(fd);
  }
  int Link(const std::string &from, const std::string &to) override {
    return Fails(SaveStep::KeepDamaged) ? error_ : inner_.Link(from, to);
  }
  int Commit(const std::string &hivePath, const std::string &text) override {
    return inner_.Commit(hivePath, text);
  }
  int Rename(const std::string &from, const std::string &to) override {
    return Fails(SaveStep::Rename) ? error_ : inner_.Rename(from, to);
  }
  int FlushFolder(const std::string &folder) override {
    return Fails(SaveStep::FlushFolder) ? error_ : inner_.FlushFolder(folder);
  }

private:
  bool Fails(SaveStep step) const { return step == step_; }
  bool Refused(SaveStep step, int *error) const {
    if (step != step_) {
      return false;
    }
    *error = error_;
    return true;
  }

  HiveFiles &inner_ = registry::BuildHiveFiles();
  SaveStep step_;
  int error_;
};

std::unique_ptr<FaultyFiles> &Installed() {
  static std::unique_ptr<FaultyFiles> files;
  return files;
}

} // namespace

SaveFault::SaveFault(SaveStep step, int error) {
  Installed() = std::make_unique<FaultyFiles>(step, error);
  registry::InstallHiveFiles(Installed().get());
}

SaveFault::~SaveFault() {
  registry::InstallHiveFiles(nullptr);
  Installed().reset();
}

} // namespace platform::test
