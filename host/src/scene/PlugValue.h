#ifndef VEXA_HOST_PLUGVALUE_H
#define VEXA_HOST_PLUGVALUE_H

// A stored plug value: a number (every numeric type, kept as a double), a text, a matrix (16
// doubles in row order) or a shared data value (geometry and the like).

#include <vexa/VexaExport.h>

#include <array>
#include <memory>
#include <ostream>
#include <string>
#include <variant>

namespace vexa_host {

class VEXA_API DataValue {
public:
    virtual ~DataValue();
    virtual std::string typeName() const = 0;
    // One line for the scene dump.
    virtual void describe(std::ostream& out) const = 0;
};

using MatrixValue = std::array<double, 16>;
using PlugValue = std::variant<double, std::string, MatrixValue, std::shared_ptr<const DataValue>>;

MatrixValue identityMatrixValue();

}  // namespace vexa_host

#endif
