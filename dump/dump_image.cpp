#include "dump/dump_image.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <tsk/libtsk.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "dump/dump_ewf.h"
#include "dump/dump_fat.h"
#include "dump/dump_input.h"
#include "dump/dump_split_raw.h"
#include "format/index_format.h"

struct OpenedImage {
    std::string path;
    TSK_IMG_INFO *image = nullptr;
    TSK_VS_INFO *volumes = nullptr;
    std::vector<TSK_FS_INFO *> fileSystems;
};

struct ImageItem {
    OpenedImage *image;
    TSK_FS_INFO *fileSystem = nullptr; // an index file's
    TSK_INUM_T address = 0;
    std::vector<ByteRun> runs;         // a carved area's, or the clusters of
                                       // a file whose entry is damaged
};

namespace {

const char kIndexFileName[] = "index.dat";

// One thread at a time uses The Sleuth Kit's handles: the readers copy
// index files and read areas to carve through the same image.
std::mutex gSleuthKit;
std::deque<OpenedImage> gImages;
std::deque<ImageItem> gItems;

// The library's last error, on one line, and cleared.
std::string SleuthKitError()
{
    std::string text = tsk_error_get() ? tsk_error_get() : "unknown error";
    tsk_error_reset();
    std::replace(text.begin(), text.end(), '\n', ' ');
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// How messages name a volume: "disk.img p2", or "disk.img" for an image
// without a partition table (prefix "").
std::string VolumeName(const OpenedImage *image, const std::string &prefix)
{
    return prefix.empty() ? image->path : image->path + " " + prefix.substr(0, prefix.size() - 1);
}

// Index files found in one file system, in the order of the walk.
struct FoundFile {
    std::string path;
    TSK_INUM_T address;
    bool deleted;
    std::vector<ByteRun> runs; // read from there when the library cannot open it
};

bool BeginsWithSignature(TSK_FS_FILE *file)
{
    char start[INDEX_SIGNATURE_BYTES];
    if (file->meta->size < static_cast<TSK_OFF_T>(sizeof start))
        return false;
    bool read = tsk_fs_file_read(file, 0, start, sizeof start, TSK_FS_FILE_READ_FLAG_NONE) == sizeof start;
    tsk_error_reset();
    return read && !std::memcmp(start, INDEX_SIGNATURE, sizeof start);
}

// Whether a name found in a folder leads to its file's own content: a
// deleted name whose entry now belongs to another file does not.
bool LeadsToContent(const TSK_FS_FILE *file)
{
    return !(file->name->flags & TSK_FS_NAME_FLAG_UNALLOC) || file->meta->flags & TSK_FS_META_FLAG_UNALLOC;
}

void NoteIndexFile(TSK_FS_FILE *file, const std::string &folder, std::vector<FoundFile> *found)
{
    if (strcasecmp(file->name->name, kIndexFileName) && !BeginsWithSignature(file))
        return;
    bool deleted = file->name->flags & TSK_FS_NAME_FLAG_UNALLOC || file->meta->flags & TSK_FS_META_FLAG_UNALLOC;
    found->push_back({folder + file->name->name, file->name->meta_addr, deleted, {}});
}

// One walk of a file system's folder tree. The library's own recursive
// walk has no bound: damaged folders whose clusters form a ring are walked
// along every path through them, seven to eight times longer for each
// folder in the ring. Here each folder is read once.
struct FolderWalk {
    TSK_FS_INFO *fileSystem;
    std::string volume;
    std::unordered_map<TSK_INUM_T, std::string> read; // folder address: its path
    std::unordered_set<TSK_INUM_T> named;             // folders named as reached again
    std::vector<FoundFile> *found;
    std::vector<std::string> *problems;
    std::vector<uint64_t> starts; // the start clusters of the entries in live FAT folders
};

// Deeper than any path a Windows file system holds (260 characters).
constexpr int kDeepestFolder = 128;

void WalkFolder(FolderWalk *walk, TSK_INUM_T address, const std::string &path, bool deleted, int depth);

// A folder listed in the folder at path: read unless it was read before.
// A folder reached again through a live name means a loop or a cross-link
// in the tree; through a deleted name, a deleted folder's stale cluster.
void EnterFolder(FolderWalk *walk, TSK_FS_FILE *folder, const std::string &path, bool deleted, int depth)
{
    TSK_INUM_T address = folder->name->meta_addr;
    std::string inner = path + folder->name->name + "/";
    auto before = walk->read.find(address);
    if (before == walk->read.end()) {
        walk->read[address] = inner;
        WalkFolder(walk, address, inner, deleted, depth + 1);
        return;
    }
    if (deleted || !walk->named.insert(address).second)
        return;
    walk->problems->push_back(walk->volume + ": " + inner + ": a loop in the folder tree: this is the folder "
                              + before->second + " again; not read twice");
}

// The index files in the folder at address, whose path ends in "/", and in
// every folder under it; deleted when a name on the way is.
void WalkFolder(FolderWalk *walk, TSK_INUM_T address, const std::string &path, bool deleted, int depth)
{
    if (depth > kDeepestFolder) {
        walk->problems->push_back(walk->volume + ": " + path + ": folders nested more than "
                                  + std::to_string(kDeepestFolder) + " deep; not read");
        return;
    }
    TSK_FS_DIR *folder = tsk_fs_dir_open_meta(walk->fileSystem, address);
    if (!folder) {
        walk->problems->push_back(walk->volume + ": " + path + ": cannot read the folder: " + SleuthKitError());
        return;
    }
    tsk_error_reset();
    for (size_t i = 0; i < tsk_fs_dir_getsize(folder); i++) {
        TSK_FS_FILE *file = tsk_fs_dir_get(folder, i);
        tsk_error_reset();
        if (file && file->name && file->meta && !TSK_FS_ISDOT(file->name->name) && LeadsToContent(file)
            && file->name->meta_addr != TSK_FS_ORPHANDIR_INUM(walk->fileSystem)) {
            bool goneHere = deleted || file->name->flags & TSK_FS_NAME_FLAG_UNALLOC;
            if (file->meta->type == TSK_FS_META_TYPE_DIR)
                EnterFolder(walk, file, path, goneHere, depth);
            else if (file->meta->type == TSK_FS_META_TYPE_REG)
                NoteIndexFile(file, path, walk->found);
        }
        tsk_fs_file_close(file);
    }
    tsk_fs_dir_close(folder);
    // A deleted folder's cluster may since hold anything; what reads as a
    // damaged entry there is no damage.
    if (deleted || !IsFatFileSystem(walk->fileSystem))
        return;
    for (DamagedEntry &entry : DamagedFatEntries(walk->fileSystem, address, &walk->starts)) {
        walk->problems->push_back(walk->volume + ": " + path + entry.name + (entry.folder ? "/" : "")
                                  + ": damaged folder entry: " + entry.fault);
        if (!entry.runs.empty())
            walk->found->push_back({path + entry.name, 0, false, std::move(entry.runs)});
    }
}

// Path order; a file reached by several names (hard links, or a deleted
// name beside the live one) is listed once, under its first live name.
void SortFound(std::vector<FoundFile> *found)
{
    std::sort(found->begin(), found->end(), [](const FoundFile &a, const FoundFile &b) {
        return a.deleted != b.deleted ? b.deleted : a.path < b.path;
    });
    std::vector<FoundFile> unique;
    std::unordered_set<TSK_INUM_T> listed;
    for (const FoundFile &file : *found)
        if (!file.runs.empty() || listed.insert(file.address).second)
            unique.push_back(file);
    std::stable_sort(unique.begin(), unique.end(), [](const FoundFile &a, const FoundFile &b) {
        return a.path < b.path;
    });
    *found = std::move(unique);
}

DumpSource ImageSource(OpenedImage *image, const std::string &inImage)
{
    DumpSource source;
    source.path = image->path;
    source.inImage = inImage;
    gItems.push_back({image});
    source.item = &gItems.back();
    return source;
}

// Adds the area of runs, cut at the image's end, unless nothing is left.
void AddArea(OpenedImage *image, const std::string &name, std::vector<ByteRun> runs, std::vector<DumpSource> *areas)
{
    uint64_t size = static_cast<uint64_t>(image->image->size);
    runs.erase(std::remove_if(runs.begin(), runs.end(), [size](const ByteRun &run) { return run.start >= size; }),
               runs.end());
    for (ByteRun &run : runs)
        run.end = std::min(run.end, size);
    if (runs.empty())
        return;
    DumpSource area = ImageSource(image, name);
    area.carved = true;
    gItems.back().runs = std::move(runs);
    areas->push_back(area);
}

TSK_WALK_RET_ENUM NoteFreeBlock(const TSK_FS_BLOCK *block, void *context)
{
    uint64_t start = static_cast<uint64_t>(block->fs_info->offset) + block->addr * block->fs_info->block_size;
    AppendRun(static_cast<std::vector<ByteRun> *>(context), start, start + block->fs_info->block_size);
    return TSK_WALK_CONT;
}

// The index files of one file system and, with carve, its unallocated
// blocks and, on FAT, its lost clusters: in use, but reached from no entry
// in the folders read, as those of a file whose start cluster lies past
// the last are.
void WalkFileSystem(OpenedImage *image, TSK_FS_INFO *fileSystem, const std::string &prefix, CarveArea carve,
                    std::vector<DumpSource> *sources, std::vector<DumpSource> *areas,
                    std::vector<std::string> *problems)
{
    std::vector<FoundFile> found;
    // Deleted files are found in the folders that still list them. The
    // library's orphan folder, deleted files whose folder is gone too, is
    // made by reading the whole file system (every sector of a FAT one), as
    // slowly as carving it; their records lie in free space, where --carve
    // finds them.
    FolderWalk walk{fileSystem, VolumeName(image, prefix), {{fileSystem->root_inum, "/"}}, {}, &found, problems, {}};
    WalkFolder(&walk, fileSystem->root_inum, "/", false, 0);
    SortFound(&found);
    for (const FoundFile &file : found) {
        DumpSource source = ImageSource(image, prefix + file.path);
        source.fileState = file.deleted ? FileDeleted : FileAllocated;
        gItems.back().fileSystem = fileSystem;
        gItems.back().address = file.address;
        gItems.back().runs = file.runs;
        sources->push_back(source);
    }
    if (carve != CarveArea::Unallocated)
        return;
    std::vector<ByteRun> runs;
    auto blocks = static_cast<TSK_FS_BLOCK_WALK_FLAG_ENUM>(TSK_FS_BLOCK_WALK_FLAG_UNALLOC
                                                           | TSK_FS_BLOCK_WALK_FLAG_AONLY);
    TSK_DADDR_T last = std::min(fileSystem->last_block, fileSystem->last_block_act);
    if (tsk_fs_block_walk(fileSystem, fileSystem->first_block, last, blocks, NoteFreeBlock, &runs))
        problems->push_back(VolumeName(image, prefix) + ": cannot list every unallocated block: " + SleuthKitError());
    AddArea(image, prefix + "unallocated", std::move(runs), areas);
    if (!IsFatFileSystem(fileSystem))
        return;
    std::vector<ByteRun> lost;
    if (!LostClusters(fileSystem, walk.starts, &lost))
        problems->push_back(VolumeName(image, prefix) + ": cannot read the FAT; lost clusters are not searched");
    AddArea(image, prefix + "lost clusters", std::move(lost), areas);
}

// One volume: a partition (prefix "p1:", ...) or the whole image (prefix
// ""), from start to the end its table states. A volume without a file
// system the library reads is carved whole. A volume or file system that
// runs past the image's end, or a file system larger than its partition,
// is named, and what lies before is read.
void WalkVolume(OpenedImage *image, const std::string &prefix, const std::string &description, uint64_t start,
                uint64_t end, CarveArea carve, std::vector<DumpSource> *sources, std::vector<DumpSource> *areas,
                std::vector<std::string> *problems)
{
    uint64_t size = static_cast<uint64_t>(image->image->size);
    std::string volume = VolumeName(image, prefix) + " (" + description + ", " + ByteRange(start, end) + ")";
    if (start >= size) {
        problems->push_back(volume + ": lies outside the image, which ends at byte " + std::to_string(size)
                            + "; not read");
        return;
    }
    if (end > size)
        problems->push_back(volume + ": cut short: the image ends at byte " + std::to_string(size)
                            + "; what lies before is read");
    uint64_t stated = end;
    end = std::min(end, size);
    TSK_FS_INFO *fileSystem = tsk_fs_open_img(image->image, static_cast<TSK_OFF_T>(start), TSK_FS_TYPE_DETECT);
    if (!fileSystem) {
        problems->push_back(volume + ": no file system that can be read: " + SleuthKitError());
        if (carve == CarveArea::Unallocated)
            AddArea(image, prefix + "unreadable", {{start, end}}, areas);
        return;
    }
    uint64_t fileSystemEnd = start + static_cast<uint64_t>(fileSystem->block_count) * fileSystem->block_size;
    if (fileSystemEnd > stated)
        problems->push_back(volume + ": its file system (" + ByteRange(start, fileSystemEnd) + ") runs past the "
                            + (prefix.empty() ? "image's" : "partition's") + " end; what lies inside is read");
    image->fileSystems.push_back(fileSystem);
    WalkFileSystem(image, fileSystem, prefix, carve, sources, areas, problems);
}

// The four primary entries of a DOS partition table, read here when the
// library rejects the whole table for one bad entry.
struct PrimaryEntry {
    int number;    // 1 to 4
    uint8_t type;
    uint64_t start, end; // bytes
};

constexpr uint64_t kTableSector = 512;

// The non-empty primary entries of the table in the image's first sector;
// false when that sector holds no DOS partition table.
bool ReadPrimaryEntries(OpenedImage *image, std::vector<PrimaryEntry> *entries)
{
    uint8_t sector[kTableSector];
    if (tsk_img_read(image->image, 0, reinterpret_cast<char *>(sector), sizeof sector) != sizeof sector
        || sector[510] != 0x55 || sector[511] != 0xAA)
        return false;
    for (int i = 0; i < 4; i++) {
        const uint8_t *entry = sector + 446 + 16 * i;
        auto word = [entry](int at) {
            return static_cast<uint64_t>(entry[at]) | entry[at + 1] << 8 | entry[at + 2] << 16
                   | static_cast<uint64_t>(entry[at + 3]) << 24;
        };
        if (entry[0] != 0x00 && entry[0] != 0x80)
            return false;
        if (entry[4] && word(12))
            entries->push_back({i + 1, entry[4], word(8) * kTableSector, (word(8) + word(12)) * kTableSector});
    }
    return !entries->empty();
}

// A DOS partition table the library rejected, as it does the whole table
// when one of its first two entries starts past the image's end: each
// partition is searched as the library searches those of a table it
// reads, and, for carving, the space outside them as unpartitioned. False
// when the image's first sector holds no such table, or a file system
// begins there (an image without a partition table).
bool WalkOwnTable(OpenedImage *image, CarveArea carve, std::vector<DumpSource> *sources,
                  std::vector<DumpSource> *areas, std::vector<std::string> *problems)
{
    std::vector<PrimaryEntry> entries;
    if (!ReadPrimaryEntries(image, &entries))
        return false;
    TSK_FS_INFO *whole = tsk_fs_open_img(image->image, 0, TSK_FS_TYPE_DETECT);
    tsk_error_reset();
    if (whole) {
        tsk_fs_close(whole);
        return false;
    }
    uint64_t size = static_cast<uint64_t>(image->image->size);
    std::vector<ByteRun> used{{0, kTableSector}};
    for (const PrimaryEntry &entry : entries) {
        std::string prefix = "p" + std::to_string(entry.number) + ":";
        char type[8];
        std::snprintf(type, sizeof type, "0x%02X", entry.type);
        std::string description = std::string("partition table entry ") + std::to_string(entry.number) + ", type "
                                  + type;
        WalkVolume(image, prefix, description, entry.start, entry.end, carve, sources, areas, problems);
        if (entry.start < size)
            used.push_back({entry.start, std::min(entry.end, size)});
    }
    if (carve != CarveArea::Unallocated)
        return true;
    std::sort(used.begin(), used.end(), [](const ByteRun &a, const ByteRun &b) { return a.start < b.start; });
    std::vector<ByteRun> gaps;
    uint64_t from = 0;
    for (const ByteRun &run : used) {
        if (run.start > from)
            gaps.push_back({from, run.start});
        from = std::max(from, run.end);
    }
    if (from < size)
        gaps.push_back({from, size});
    AddArea(image, "unpartitioned", std::move(gaps), areas);
    return true;
}

void WalkImage(OpenedImage *image, CarveArea carve, std::vector<DumpSource> *sources,
               std::vector<std::string> *problems)
{
    std::vector<DumpSource> areas;
    uint64_t size = static_cast<uint64_t>(image->image->size);
    image->volumes = tsk_vs_open(image->image, 0, TSK_VS_TYPE_DETECT);
    if (!image->volumes) {
        tsk_error_reset();
        if (!WalkOwnTable(image, carve, sources, &areas, problems))
            WalkVolume(image, "", "no partition table", 0, size, carve, sources, &areas, problems);
    } else {
        int number = 0;
        for (TSK_PNUM_T i = 0; i < image->volumes->part_count; i++) {
            const TSK_VS_PART_INFO *part = tsk_vs_part_get(image->volumes, i);
            uint64_t block = image->volumes->block_size;
            uint64_t start = part->start * block, end = (part->start + part->len) * block;
            if (part->flags & TSK_VS_PART_FLAG_ALLOC)
                WalkVolume(image, "p" + std::to_string(++number) + ":", part->desc ? part->desc : "partition",
                           start, end, carve, sources, &areas, problems);
            else if (part->flags & TSK_VS_PART_FLAG_UNALLOC && carve == CarveArea::Unallocated && start < size)
                AddArea(image, "unpartitioned", {{start, std::min(end, size)}}, &areas);
        }
    }
    if (carve == CarveArea::All)
        AddArea(image, "image", {{0, size}}, &areas);
    sources->insert(sources->end(), areas.begin(), areas.end());
}

// Where the content of file begins in the image file when it lies there in
// one piece, uncompressed, and the image is a raw image of one file: it is
// then mapped where it lies. Any other is read through the library.
bool PlacedInImage(TSK_FS_FILE *file, uint64_t size, uint64_t *offset)
{
    TSK_FS_INFO *fileSystem = file->fs_info;
    if (fileSystem->img_info->itype != TSK_IMG_TYPE_RAW || fileSystem->img_info->num_img != 1 || !size)
        return false;
    const TSK_FS_ATTR *data = tsk_fs_file_attr_get(file);
    tsk_error_reset();
    if (!data || !(data->flags & TSK_FS_ATTR_NONRES)
        || data->flags & (TSK_FS_ATTR_ENC | TSK_FS_ATTR_COMP | TSK_FS_ATTR_SPARSE) || data->nrd.skiplen
        || static_cast<uint64_t>(data->nrd.initsize) < size || !data->nrd.run)
        return false;
    uint64_t blockBytes = fileSystem->block_size, blocks = 0;
    for (const TSK_FS_ATTR_RUN *run = data->nrd.run; run && blocks * blockBytes < size; run = run->next) {
        if (run->flags != TSK_FS_ATTR_RUN_FLAG_NONE || run->offset != blocks
            || run->addr != data->nrd.run->addr + blocks)
            return false;
        blocks += run->len;
    }
    *offset = static_cast<uint64_t>(fileSystem->offset) + data->nrd.run->addr * blockBytes;
    return blocks * blockBytes >= size && *offset + size <= static_cast<uint64_t>(fileSystem->img_info->size);
}

} // namespace

std::string ByteRange(uint64_t start, uint64_t end)
{
    return "bytes " + std::to_string(start) + " to " + std::to_string(end - 1);
}

void AppendRun(std::vector<ByteRun> *runs, uint64_t start, uint64_t end)
{
    if (!runs->empty() && runs->back().end == start)
        runs->back().end = end;
    else
        runs->push_back({start, end});
}

void AddImageSources(const std::string &path, CarveArea carve, std::vector<DumpSource> *sources,
                     std::vector<std::string> *problems)
{
    std::lock_guard<std::mutex> hold(gSleuthKit);
    std::string reason;
    if (!CheckImageFileType(path, &reason)) {
        problems->push_back(path + ": " + reason);
        return;
    }
    // Naming the type spares the library probing the file for every
    // format it knows.
    TSK_IMG_INFO *opened;
    if (IsEwfImage(path)) {
        opened = OpenEwfImage(path, problems);
        if (!opened)
            return;
    } else {
        if (!CheckSplitRawPartTypes(path, problems))
            return;
        const char *names[] = {path.c_str()};
        opened = tsk_img_open_utf8(1, names, TSK_IMG_TYPE_RAW, 0);
        if (!opened) {
            problems->push_back(path + ": cannot open the disk image: " + SleuthKitError());
            return;
        }
        CheckSplitRawParts(std::vector<std::string>(opened->images, opened->images + opened->num_img), problems);
    }
    gImages.push_back({path, opened});
    WalkImage(&gImages.back(), carve, sources, problems);
}

namespace {

// A file whose damaged entry the library cannot open, copied from the
// clusters its chain gives.
bool MapFileRuns(const DumpSource &file, MappedIndex *index, std::string *reason)
{
    uint64_t size = 0;
    for (const ByteRun &run : file.item->runs)
        size += run.end - run.start;
    int fd = CopyToTemporaryFile(
        [&file, reason](uint64_t at, uint8_t *into, size_t bytes) -> int64_t {
            for (const ByteRun &run : file.item->runs) {
                if (at >= run.end - run.start) {
                    at -= run.end - run.start;
                    continue;
                }
                size_t part = std::min<uint64_t>(bytes, run.end - run.start - at);
                return ReadImageBytes(file, run.start + at, part, into, reason) ? static_cast<int64_t>(part) : -1;
            }
            return 0;
        },
        reason);
    bool mapped = fd >= 0 && MapIndexDescriptor(fd, 0, size, index, reason);
    if (fd >= 0)
        close(fd);
    return mapped;
}

} // namespace

bool MapImageFile(const DumpSource &file, MappedIndex *index, std::string *reason)
{
    if (!file.item->runs.empty())
        return MapFileRuns(file, index, reason);
    TSK_FS_FILE *opened;
    uint64_t offset = 0, size = 0;
    bool inPlace;
    {
        std::lock_guard<std::mutex> hold(gSleuthKit);
        opened = tsk_fs_file_open_meta(file.item->fileSystem, nullptr, file.item->address);
        if (!opened || !opened->meta) {
            *reason = "cannot open the file: " + SleuthKitError();
            tsk_fs_file_close(opened);
            return false;
        }
        size = static_cast<uint64_t>(opened->meta->size);
        inPlace = PlacedInImage(opened, size, &offset);
    }
    int fd = -1;
    if (inPlace) {
        fd = open(file.path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            *reason = std::strerror(errno);
    } else {
        fd = CopyToTemporaryFile(
            [opened, size, reason](uint64_t at, uint8_t *into, size_t bytes) -> int64_t {
                if (at >= size)
                    return 0;
                std::lock_guard<std::mutex> hold(gSleuthKit);
                ssize_t got = tsk_fs_file_read(opened, static_cast<TSK_OFF_T>(at), reinterpret_cast<char *>(into),
                                               std::min<uint64_t>(bytes, size - at), TSK_FS_FILE_READ_FLAG_NONE);
                if (got <= 0)
                    *reason = "cannot read " + ByteRange(at, at + bytes) + " of the file: " + SleuthKitError();
                return got <= 0 ? -1 : got;
            },
            reason);
        size = fd < 0 ? 0 : size;
    }
    {
        std::lock_guard<std::mutex> hold(gSleuthKit);
        tsk_fs_file_close(opened);
    }
    bool mapped = fd >= 0 && MapIndexDescriptor(fd, offset, size, index, reason);
    if (fd >= 0)
        close(fd);
    return mapped;
}

const std::vector<ByteRun> &AreaRuns(const DumpSource &area)
{
    return area.item->runs;
}

bool ReadImageBytes(const DumpSource &source, uint64_t offset, size_t bytes, uint8_t *into, std::string *reason)
{
    std::lock_guard<std::mutex> hold(gSleuthKit);
    ssize_t got = tsk_img_read(source.item->image->image, static_cast<TSK_OFF_T>(offset), reinterpret_cast<char *>(into),
                               bytes);
    if (got == static_cast<ssize_t>(bytes))
        return true;
    *reason = "cannot read " + ByteRange(offset, offset + bytes) + ": "
              + (got < 0 ? SleuthKitError() : std::string("the image ends early"));
    return false;
}

void CloseDiskImages(std::vector<std::string> *problems)
{
    std::lock_guard<std::mutex> hold(gSleuthKit);
    for (OpenedImage &image : gImages) {
        if (image.image->itype == TSK_IMG_TYPE_EXTERNAL)
            NameEwfReadFaults(image.image, problems);
        for (TSK_FS_INFO *fileSystem : image.fileSystems)
            tsk_fs_close(fileSystem);
        if (image.volumes)
            tsk_vs_close(image.volumes);
        tsk_img_close(image.image);
    }
    gImages.clear();
    gItems.clear();
}
