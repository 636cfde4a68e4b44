// EngineLoader's search: each of its places in turn, with copies of the
// recording engine under a name of their own so that no earlier load answers;
// and the current directory, where a planted library waits, never reached.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "recorder.h"
#include "runtime/library_search.h"
#include "skin/engine.h"
#include "test_support.h"

using namespace vela;

namespace {

std::string ModulePath(HMODULE m) {
    char p[MAX_PATH] = "marker";
    DWORD n = GetModuleFileNameA(m, p, MAX_PATH);
    return std::string(p, n);
}

Bytes EngineBytes() { return test::ReadBytes(test::ProgramFolder() + "\\" + test::kRecordingEngine); }

class EngineSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(EngineBytes().empty());
        // As the viewer does first thing at start.
        runtime::KeepCurrentDirectoryOutOfLibrarySearch();
        program_ = dir_ / "program";
        ASSERT_TRUE(test::MakeFolder(program_));
        search_.programFolder = test::W(program_);
        search_.firstPathFile = dir_ / "first.ini";
        search_.secondPathFile = dir_ / "second.ini";
        // Every test runs in a current directory of its own, as a picture's
        // folder is when the shell opens the picture.
        cwd_ = dir_ / "cwd";
        ASSERT_TRUE(test::MakeFolder(cwd_));
        char previous[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, previous);
        previousCwd_ = previous;
        ASSERT_TRUE(SetCurrentDirectoryA(cwd_.c_str()));
    }
    void TearDown() override {
        SetCurrentDirectoryA(previousCwd_.c_str());
        if (loaded_) FreeLibrary(loaded_);
        for (const std::string& f : extra_) test::RemoveTree(f);
    }
    // Places a copy of the engine at path (folders made as needed).
    void Place(const std::string& path) {
        std::string folder = path.substr(0, path.find_last_of('\\'));
        std::string made;
        for (std::size_t at = 0; (at = folder.find('\\', at + 1)) != std::string::npos || made.size() < folder.size();) {
            made = folder.substr(0, at == std::string::npos ? folder.size() : at);
            CreateDirectoryA(made.c_str(), nullptr);
            if (at == std::string::npos) break;
        }
        ASSERT_TRUE(test::WriteBytes(path, EngineBytes())) << path;
    }
    std::string Found() {
        loaded_ = skin::FindEngineLibrary(search_);
        return loaded_ ? ModulePath(loaded_) : std::string("<none>");
    }

    test::ScratchFolder dir_{"vela-loader"};
    std::string program_, cwd_, previousCwd_;
    skin::EngineSearch search_;
    HMODULE loaded_ = nullptr;
    std::vector<std::string> extra_;
};

TEST_F(EngineSearchTest, ProgramFolderComesFirst) {
    search_.fileName = "ProbeOne.dll";
    Place(program_ + "\\ProbeOne.dll");
    Place(program_ + "\\lib\\ExuiKrnln\\ProbeOne.dll");
    EXPECT_EQ(Found(), program_ + "\\ProbeOne.dll");
}

TEST_F(EngineSearchTest, ThenItsLibFolder) {
    search_.fileName = "ProbeTwo.dll";
    Place(program_ + "\\lib\\ExuiKrnln\\ProbeTwo.dll");
    EXPECT_EQ(Found(), program_ + "\\lib\\ExuiKrnln\\ProbeTwo.dll");
}

TEST_F(EngineSearchTest, TheCurrentDirectoryIsNeverReached) {
    // A library planted beside the pictures, under each name the search
    // asks for, and named by a relative path in the path file.
    search_.fileName = "ProbePlanted.dll";
    Place(cwd_ + "\\ProbePlanted.dll");
    Place(cwd_ + "\\lib\\ExuiKrnln\\ProbePlanted.dll");
    ASSERT_TRUE(test::WriteText(search_.firstPathFile, "ProbePlanted.dll"));
    EXPECT_EQ(Found(), "<none>");
    ASSERT_TRUE(test::WriteText(search_.firstPathFile, "lib\\ExuiKrnln\\ProbePlanted.dll"));
    EXPECT_EQ(Found(), "<none>");
    // The same library beside the program is found.
    Place(program_ + "\\ProbePlanted.dll");
    EXPECT_EQ(Found(), program_ + "\\ProbePlanted.dll");
}

TEST_F(EngineSearchTest, ThenTheSystemSearchByName) {
    // The program's folder is the first place of the system search.
    search_.fileName = "ProbeThree.dll";
    std::string bin = test::ProgramFolder();
    extra_ = {bin + "\\ProbeThree.dll", bin + "\\lib\\ExuiKrnln\\ProbeThree.dll"};
    Place(extra_[0]);
    Place(extra_[1]);
    test::WriteText(search_.firstPathFile, dir_ / "unused.dll");
    EXPECT_EQ(Found(), extra_[0]);
}

TEST_F(EngineSearchTest, LastThePathInTheFirstPathFile) {
    search_.fileName = "ProbeFive.dll";
    Place(dir_ / "elsewhere\\ProbeFive.dll");
    ASSERT_TRUE(test::WriteText(search_.firstPathFile, dir_ / "elsewhere\\ProbeFive.dll"));
    test::WriteText(search_.secondPathFile, dir_ / "nothing.dll");
    EXPECT_EQ(Found(), dir_ / "elsewhere\\ProbeFive.dll");
}

TEST_F(EngineSearchTest, SecondPathFileOnlyWhenTheFirstCannotBeOpened) {
    search_.fileName = "ProbeSix.dll";
    Place(dir_ / "elsewhere\\ProbeSix.dll");
    ASSERT_TRUE(test::WriteText(search_.secondPathFile, dir_ / "elsewhere\\ProbeSix.dll"));
    EXPECT_EQ(Found(), dir_ / "elsewhere\\ProbeSix.dll");
    FreeLibrary(loaded_);
    loaded_ = nullptr;
    // A first file that opens but names nothing loadable ends the search.
    ASSERT_TRUE(test::WriteText(search_.firstPathFile, dir_ / "missing.dll"));
    EXPECT_EQ(Found(), "<none>");
}

TEST_F(EngineSearchTest, PathFileIsTakenWholeUpTo255Bytes) {
    search_.fileName = "ProbeSeven.dll";
    std::string path = dir_ / "elsewhere\\ProbeSeven.dll";
    Place(path);
    // A line end is part of the path: nothing is trimmed.
    ASSERT_TRUE(test::WriteText(search_.firstPathFile, path + "\r\n"));
    EXPECT_EQ(Found(), "<none>");
    // A path of exactly 255 bytes followed by more: the rest is not read.
    std::string folder = dir_.Path() + "\\";
    std::string name = "\\ProbeSeven.dll";
    ASSERT_LT(folder.size() + name.size(), 250u);
    std::string longPath = folder + std::string(255 - folder.size() - name.size(), 'a') + name;
    ASSERT_EQ(longPath.size(), 255u);
    Place(longPath);
    ASSERT_TRUE(test::WriteText(search_.firstPathFile, longPath + "xyz-not-part-of-it"));
    EXPECT_EQ(Found(), longPath);
}

TEST_F(EngineSearchTest, NothingAnywhereLoadsNothing) {
    search_.fileName = "ProbeNone.dll";
    EXPECT_EQ(Found(), "<none>");
}

TEST(EngineLoaderTest, OperationsAndHandshake) {
    // The recorder stays loaded once a run of this test loaded it, with its
    // record: only this load's calls count.
    test::ClearRecordedCalls();
    ASSERT_TRUE(test::UseRecordingEngine());
    const skin::Engine& e = skin::CurrentEngine();
    EXPECT_EQ(e.module, GetModuleHandleA(test::kRecordingEngine));
    EXPECT_NE(e.CreateControl_MinutesboxEx, nullptr);
    EXPECT_NE(e.CreateControl_PictureBoxEx, nullptr);
    EXPECT_NE(e.CreateControl_ButtonEx, nullptr);
    EXPECT_NE(e.CreateControl_SuperbuttonEx, nullptr);
    EXPECT_NE(e.ControlSendMessage, nullptr);
    EXPECT_NE(e.ControPonintSizeSynchronise, nullptr);
    EXPECT_NE(e.ControlDestroy, nullptr);
    EXPECT_EQ(e.LoadImageEx, nullptr);  // not in this engine: left absent
    EXPECT_EQ(test::RecordedCalls(), "handshake 2008 self 0 0 20210101\n");
    // A library without CreateControl_WindowEx is no engine.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    EXPECT_FALSE(skin::UseEngineModule(kernel).Present());
    EXPECT_FALSE(skin::UseEngineModule(nullptr).Present());
}

TEST(EngineLoaderTest, ProductionPlaces) {
    skin::EngineSearch s;
    EXPECT_EQ(s.fileName, "ExuiKrnln.dll");
    EXPECT_EQ(s.subFolder + s.fileName, "lib\\ExuiKrnln\\ExuiKrnln.dll");
    EXPECT_EQ(s.firstPathFile, "C:\\ExuiKrnln.ini");
    EXPECT_EQ(s.secondPathFile, "D:\\ExuiKrnln.ini");
    EXPECT_TRUE(s.programFolder.empty());
}

}  // namespace
