#pragma once

#include <QString>
#include <QStringView>

#include <vector>

namespace tidemark {

// A ";"-separated list of wildcard patterns, matched against whole file names without
// regard to case: "*" stands for any run of characters and "?" for one. A pattern that ends
// in ".*" also matches the name without that last dot part, as Windows file pickers do, so
// "*.prt.*" takes piston.prt.3 and piston.prt alike.
class Wildcard {
public:
    explicit Wildcard(QStringView liste = u"*");

    // True when `nom` matches at least one pattern of the list.
    bool correspond(QStringView nom) const;

private:
    std::vector<QString> motifs_;  // case-folded patterns, the ".*" variants added
};

}  // namespace tidemark
