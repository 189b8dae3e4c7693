#ifndef WYX_FILEIO_RSTREAMOPTIONSWYX_H
#define WYX_FILEIO_RSTREAMOPTIONSWYX_H

// The stream options of the WYX format: twelve switches saying which parts of a scene are
// read or written, the takes with their selection and passwords, the file's own password,
// and the template mark that a writer records.

#include "core/RString.h"
#include "fileio/RStreamOptions.h"

#include <string>
#include <unordered_map>
#include <vector>

// One take of a file or scene as the options know it. Its password is wiped when the entry
// goes (copies made as the list grows included).
struct RStreamTakeEntry {
    RStreamTakeEntry() = default;
    RStreamTakeEntry(const RStreamTakeEntry&) = default;
    RStreamTakeEntry& operator=(const RStreamTakeEntry&) = default;
    ~RStreamTakeEntry();

    RString name;
    bool selected = true;
    bool passwordProtected = false;
    RString password;
};

class RStreamOptionsWyx : public RStreamOptions {
    WYX_DECLARE_CLASS(RStreamOptionsWyx)

public:
    static constexpr int kFlagCount = 12;
    // The flags whose use is known; 4, 9 and 10 play no part in the readers and writers.
    static constexpr int kFlagGeometry = 0;
    static constexpr int kFlagMaterials = 1;
    static constexpr int kFlagMedia = 2;  // textures and their pictures
    static constexpr int kFlagDeformers = 3;
    static constexpr int kFlagGobos = 5;
    static constexpr int kFlagTakes = 6;  // takes and animation
    static constexpr int kFlagCharacters = 7;
    static constexpr int kFlagGlobalSettings = 8;
    static constexpr int kFlagEmbedMedia = 11;

    // New options with their reset values; they end with Destroy().
    static RStreamOptionsWyx* Create();

    RStreamOptionsWyx();

    // Default hooks, every flag on but 10 and 11, no takes, no password, template 0.
    void ResetHooks() override;

    // Flags 0 to 11; any other index reads false and is not stored.
    bool GetFlag(int index) const;
    void SetFlag(int index, bool on);

    // Appends a take (selected, no password) and answers its index; a name already listed
    // answers that entry's index instead. -1 for a null name.
    int AddTake(const char* name);
    int GetTakeCount() const { return static_cast<int>(takes_.size()); }
    // Null out of range. A name changed through the entry is seen by the next FindTake or
    // AddTake.
    RStreamTakeEntry* GetTake(int index);
    const RStreamTakeEntry* GetTake(int index) const;
    // The index of the take of that name (compared byte for byte); -1 when absent.
    int FindTake(const char* name) const;
    int GetSelectedTakeCount() const;
    void ClearTakes();

    void SetPasswordProtected(bool on) { passwordProtected_ = on; }
    bool IsPasswordProtected() const { return passwordProtected_; }
    // Null as empty. The password replaced is wiped, as is the one held when the options
    // are reset or destroyed.
    void SetPassword(const char* text);
    const RString& GetPassword() const { return password_; }
    // True when the password flag is set and the password is not empty.
    bool HasPassword() const { return passwordProtected_ && !password_.IsEmptyText(); }

    void SetTemplate(int value) { template_ = value; }
    int GetTemplate() const { return template_; }

protected:
    ~RStreamOptionsWyx() override;

private:
    void ResetOwnValues();
    // Takes in names changed through entries GetTake handed out since the last lookup; the
    // index is rebuilt when one has changed.
    void CheckHandedOutNames() const;
    void RebuildTakeIndex() const;

    bool flags_[kFlagCount] = {};
    std::vector<RStreamTakeEntry> takes_;
    // Beside takes_: each name as indexed, and the first take of each name.
    mutable std::vector<std::string> indexedNames_;
    mutable std::unordered_map<std::string, int> firstTakeOfName_;
    mutable std::vector<int> handedOut_;  // indexes of entries handed out for change
    mutable bool checkAllNames_ = false;  // more were handed out than there are takes
    bool passwordProtected_ = false;
    RString password_;
    int template_ = 0;
};

#endif
