// The image folder: where it is remembered, opening it, choosing another.
#include "Unit1.h"

#include "DirectoryDialog.h"
#include "FileSystem.h"
#include "TextFile.h"

namespace {

const char* const MemoryFileName = "pixdir.txt";
const char* const PictureMask = "*.bmp;*.jpg;*.jpeg";

// The executable's folder without a trailing "/"; the root keeps its "/".
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

std::vector<std::string> TForm1::MemoryFiles() const {
    const std::string executable = FDesktop.ExecutablePath();
    const std::string besideExecutable =
        executable.substr(0, executable.rfind('/') + 1) + MemoryFileName;
    if (FDesktop.FolderWritable(FolderOf(executable))) {
        return {besideExecutable};
    }
    // An installed copy cannot write its own folder: the user's folder is
    // written, and read before the executable's.
    return {FDesktop.UserConfigFolder() + "/" + MemoryFileName, besideExecutable};
}

std::string TForm1::GetImageFolder() {
    // The remembered text is used as it stands, line ends and all, and only
    // when it names a folder that exists and whose entries can be read: one
    // that cannot be read would keep the image mode from opening at all.
    for (const std::string& file : MemoryFiles()) {
        const std::string text = ReadTextFile(file);
        if (!text.empty() && FolderListable(text)) {
            return text;
        }
    }
    return FolderOf(FDesktop.ExecutablePath());
}

void TForm1::RememberImageFolder(const std::string& folder) {
    const std::vector<std::string> files = MemoryFiles();
    if (files.size() > 1) {
        ForceFolders(FDesktop.UserConfigFolder());
    }
    const TFileSystemObject fileSystem;
    std::unique_ptr<TTextStream> stream = fileSystem.CreateTextFile(files.front(), true);
    stream->Write(folder);
    stream->Close();
}

// The detour through "/" makes every call read the folder anew, also the one
// the list already shows.
void TForm1::OpenImageFolder(const std::string& folder) {
    FLB1->SetMask(PictureMask);
    FLB1->SetDirectory("/");
    FLB1->SetDirectory(folder);
    if (FLB1->Count() > 0) {
        RememberImageFolder(folder);
    }
}

void TForm1::BtnSDIRClick(TObject*) {
    std::string folder = GetImageFolder();
    if (TDirectoryDialog::SelectDirectory(folder, this)) {
        OpenImageFolder(folder);
    }
    Edit0->setFocus();
}
