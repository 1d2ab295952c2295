#pragma once

#include "store/MetricsStore.h"

#include <array>

namespace server {

// The page's metric families about each computer, each family's text whole in memory: the format wants a
// family's samples together, and the fleet is read once, a computer at a time. About 1 KB per computer with
// three watched folders (10 MB at 10,000), held only while the page is written and sent.
class ComputerLines {
public:
    static constexpr size_t kFamilies = 10;

    ComputerLines(); // each family opens with its HELP and TYPE lines

    void add(const MetricsRow& computer);

    // Family `k`'s text, to be sent and then let go.
    QByteArray& family(size_t k) { return m_texts[k]; }

private:
    std::array<QByteArray, kFamilies> m_texts;
};

} // namespace server
