#ifndef WYX_CORE_RWYXSCENEOBJECT_H
#define WYX_CORE_RWYXSCENEOBJECT_H

// The base of the scene classes (nodes, node attributes, materials, textures, poses and the
// like): a name that carries the prefix of the object's type in files ("Model::",
// "Material::" ...), and the object's user properties, which it owns.
//
// The user properties that wrap an object's built-in properties are listed first and made
// when first asked for (DeferUserPropertyWrappers): most are never asked for, and a scene of
// many objects would otherwise hold one wrapper per property of each.

#include "core/RNamePair.h"
#include "core/RString.h"
#include "core/RWyxStringList.h"
#include "core/RWyxUserProperty.h"

#include <memory>
#include <unordered_map>
#include <vector>

class RObject;
class RProperty;

class RWyxSceneObject : private RNamePairObserver {
public:
    // Initial and current name both `name`; `manager` is the scene or factory that made it.
    RWyxSceneObject(void* manager, const RString& name);
    // Deletes the user properties.
    virtual ~RWyxSceneObject();
    RWyxSceneObject(const RWyxSceneObject&) = delete;
    RWyxSceneObject& operator=(const RWyxSceneObject&) = delete;

    // ---- hooks of the scene classes --------------------------------------------------------
    // Called by the object factory right before it deletes the object.
    virtual void PrepareDestroy() {}
    // Decides the name prefix (GetNamePrefix).
    virtual int GetTypeId() const = 0;
    virtual RString GetTypeDescription() const { return RString(); }
    // A new list, the caller's to keep.
    virtual std::unique_ptr<RWyxStringList> GetStringList() const;
    // Called once for each user property added (nodes and materials make its property here).
    virtual void OnUserPropertyAdded(RWyxUserProperty& /*userProperty*/) {}
    // Called by RemoveUserProperty while the user property still lives (take-node containers
    // drop its channels here).
    virtual void OnUserPropertyRemoved(RWyxUserProperty& /*userProperty*/) {}

    // ---- names --------------------------------------------------------------------------------
    // The current name becomes the type prefix followed by the name as given.
    void SetName(const RString& name);
    const RString& GetName() const { return names_.GetCurrent(); }
    const RString& GetInitialName() const { return names_.GetInitial(); }
    // Initial and current name both the text itself, without a prefix.
    void ResetName(const RString& name) { names_.SetBoth(name); }
    // Renaming strategies work on the pair directly (verbatim, no prefix added); every change
    // made through it is reported (OnNameChanging) like the others.
    RNamePair& GetNamePair() { return names_; }
    // The prefix of the object's type id; empty for ids without one.
    RString GetNamePrefix() const;
    // The current name after the type prefix; without that prefix, after the first "::";
    // else the name itself.
    RString GetNameWithoutPrefix() const;
    // The text after the first ":"; the whole text when it has none.
    static RString GetTextAfterColon(const RString& text);

    // ---- user properties ------------------------------------------------------------------------
    int GetUserPropertyCount() const;
    // Null out of range.
    RWyxUserProperty* GetUserProperty(int index) const;
    // Takes the user property, appends it and calls OnUserPropertyAdded; answers it. Null is
    // ignored; a user property already in the list stays where it is (the list keeps owning
    // it) and the hook is not called again; one in another object's list stays there (null).
    RWyxUserProperty* AddUserProperty(std::unique_ptr<RWyxUserProperty> userProperty);
    // Calls OnUserPropertyRemoved, then takes the user property out of the list and deletes
    // it. False, nothing done, for null or a user property not in the list.
    bool RemoveUserProperty(RWyxUserProperty* userProperty);
    // The user property that wraps the property; null when none does.
    RWyxUserProperty* FindUserProperty(const RProperty* property) const;
    // The first user property of that name (exact); null when none has it or for null.
    RWyxUserProperty* FindUserPropertyByName(const char* name) const;
    // True when a user property wraps the property (FindUserProperty would find one), without
    // making a wrapper that was not asked for yet.
    bool HasUserPropertyFor(const RProperty* property) const;
    // The property the user property at the index wraps, without making a wrapper that was not
    // asked for yet; null out of range and for a user property that wraps none.
    RProperty* GetWrappedProperty(int index) const;

    // Called by the source of the deferred wrappers when a property leaves it: the wrappers not
    // made yet are made now, while the source's list still says which property each wraps.
    void OnWrappedPropertyLeaving(const RProperty* property);

    void* GetManager() const { return manager_; }

protected:
    // The first `count` properties of `source`, in order, each get a user property wrapping it,
    // listed first and made when first asked for (MakeUserPropertyFor). The source must be the
    // object's own and must report a property that leaves it (OnWrappedPropertyLeaving). Call
    // once, while the list is empty; OnUserPropertyAdded is not called for these.
    void DeferUserPropertyWrappers(const RObject& source, int count);
    // Makes the wrapper of a property whose user property is asked for the first time; the
    // base makes a plain one.
    virtual std::unique_ptr<RWyxUserProperty> MakeUserPropertyFor(RProperty* property) const;
    // For a class about to destroy the source: the deferred wrappers not made yet are dropped
    // (nobody has seen them) and the source is no longer read.
    void ForgetWrapperSource();
    // Called right before the name changes, whatever the way: SetName, ResetName or the pair
    // GetNamePair hands out. A class whose objects are looked up by name elsewhere (nodes in
    // their factory's index) reports the change from here; the name is read again at the
    // next lookup.
    virtual void OnNameChanging() {}

private:
    friend class RWyxUserProperty;  // tells of a listed user property re-pointed (OnRepointed)

    void OnNamePairChanging() override { OnNameChanging(); }

    // Until a deferred wrapper is first made (or a user property is added) the list is empty;
    // afterwards its first deferredCount_ entries are the deferred ones, null while not made.
    bool IsExpanded() const { return deferredCount_ == 0 || !userProperties_.empty(); }
    void Expand() const;
    // The wrapper at a deferred index, made when missing.
    RWyxUserProperty* MakeDeferred(int index) const;
    // Makes every deferred wrapper not made yet; the list has no deferred entries afterwards.
    void MakeAllDeferred() const;
    // The property a deferred entry wraps while it is not made; null otherwise.
    RProperty* PendingProperty(int index) const;
    // The user property made at an index; null when none is (yet).
    RWyxUserProperty* MadeAt(int index) const;
    // The first deferred entry still pending on the property; -1 when none is.
    int PendingIndexOf(const RProperty* property) const;
    // How many made entries wrap the property; `first` gets one of them.
    int CountMadeWrapping(const RProperty* property, RWyxUserProperty*& first) const;
    // The entry of a made user property in byProperty_, under the property it wraps now.
    void Index(RWyxUserProperty& userProperty) const;
    void Unindex(RWyxUserProperty& userProperty) const;
    // A listed user property now wraps another property.
    void OnRepointed(RWyxUserProperty& userProperty) const;

    RNamePair names_;
    // Made when first asked for, also through const accessors.
    mutable std::vector<std::unique_ptr<RWyxUserProperty>> userProperties_;
    mutable const RObject* wrapperSource_ = nullptr;
    // The made entries by the property each wrapped when listed or last re-pointed, so that a
    // lookup by property looks at a few entries instead of the whole list. An entry whose
    // property died stays under it until it leaves (IsSameProperty tells it apart from a new
    // property at the same address).
    mutable std::unordered_multimap<const RProperty*, RWyxUserProperty*> byProperty_;
    mutable int deferredCount_ = 0;
    void* manager_;
};

#endif
