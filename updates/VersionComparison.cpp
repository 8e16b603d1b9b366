#include "VersionComparison.h"

namespace {

bool isDigit(QChar character)
{
    return character >= u'0' && character <= u'9';
}

// The end of the digit run starting at `start`.
qsizetype digitRunEnd(QStringView text, qsizetype start)
{
    qsizetype end = start;
    while (end < text.size() && isDigit(text[end]))
        ++end;
    return end;
}

// Compares two digit runs by value without converting them, so runs of any length work.
int compareDigitRuns(QStringView left, QStringView right)
{
    while (left.size() > 1 && left.front() == u'0')
        left = left.sliced(1);
    while (right.size() > 1 && right.front() == u'0')
        right = right.sliced(1);
    if (left.size() != right.size())
        return left.size() < right.size() ? -1 : 1;
    for (qsizetype index = 0; index < left.size(); ++index) {
        if (left[index] != right[index])
            return left[index] < right[index] ? -1 : 1;
    }
    return 0;
}

QString withoutV(QString version)
{
    version.remove(QChar(u'v'), Qt::CaseInsensitive);
    return version;
}

} // namespace

int VersionComparison::compareNumerically(QStringView left, QStringView right)
{
    qsizetype leftIndex = 0;
    qsizetype rightIndex = 0;
    while (leftIndex < left.size() && rightIndex < right.size()) {
        if (isDigit(left[leftIndex]) && isDigit(right[rightIndex])) {
            const qsizetype leftEnd = digitRunEnd(left, leftIndex);
            const qsizetype rightEnd = digitRunEnd(right, rightIndex);
            const int order = compareDigitRuns(
                left.sliced(leftIndex, leftEnd - leftIndex), right.sliced(rightIndex, rightEnd - rightIndex));
            if (order != 0)
                return order;
            leftIndex = leftEnd;
            rightIndex = rightEnd;
            continue;
        }
        if (left[leftIndex] != right[rightIndex])
            return left[leftIndex] < right[rightIndex] ? -1 : 1;
        ++leftIndex;
        ++rightIndex;
    }
    const bool leftRemains = leftIndex < left.size();
    const bool rightRemains = rightIndex < right.size();
    if (leftRemains == rightRemains)
        return 0;
    return leftRemains ? 1 : -1;
}

bool VersionComparison::isNewer(const QString &feedVersion, const QString &currentVersion)
{
    return compareNumerically(withoutV(feedVersion), withoutV(currentVersion)) > 0;
}
