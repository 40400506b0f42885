#include "core/text.h"

namespace abgleich {

QStringView trimBlanksAndControls(QStringView text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] <= u' ')
        ++first;
    while (last > first && text[last - 1] <= u' ')
        --last;
    return text.sliced(first, last - first);
}

} // namespace abgleich
