#ifndef WYX_PLUGIN_VEXARENAMINGSTRATEGY_H
#define WYX_PLUGIN_VEXARENAMINGSTRATEGY_H

// The renaming strategy of the host: names restored from a file are cleaned into legal host
// names. A name holding ":" is a namespace and a name: the text before the first ":" is kept
// as the namespace (GetNamespace) and the rest is the name. In both, every byte that is not an
// ASCII letter or digit becomes the replacement character ("a b-c" gives "a_b_c"; a UTF-8
// letter gives one replacement per byte), whatever the process locale.

#include "scene/RRenamingStrategy.h"

class VexaRenamingStrategy : public RRenamingStrategy {
public:
    VexaRenamingStrategy(int direction, bool bracketFlag) : RRenamingStrategy(direction, bracketFlag) {}

    // The base calls it on every restored name.
    RString CleanName(const RString& text, char replacement) const override { return CleanHostName(text, replacement); }
    // The cleaned name; the namespace found in it (empty when it has no ":") is kept.
    RString CleanHostName(const RString& name, char replacement) const;

    // The namespace of the name cleaned last.
    const RString& GetNamespace() const { return namespace_; }

private:
    // The base's cleaning is a const operation; the namespace it finds is a by-product.
    mutable RString namespace_{""};
};

#endif
