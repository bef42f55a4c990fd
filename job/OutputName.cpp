#include "job/OutputName.h"

#include <algorithm>

namespace quibex {

namespace {

// Index of the last path separator, -1 when there is none. A backslash
// separates only on Windows; elsewhere it is an ordinary character of a name.
qsizetype lastSeparator(const QString& path)
{
    qsizetype index = path.lastIndexOf(QLatin1Char('/'));
#ifdef Q_OS_WIN
    index = std::max(index, path.lastIndexOf(QLatin1Char('\\')));
#endif
    return index;
}

} // namespace

QString ext3Of(const QString& path)
{
    const QString name = path.mid(lastSeparator(path) + 1);
    return name.right(3).toUpper();
}

bool isDecryptionPath(const QString& path)
{
    const QString ext3 = ext3Of(path);
    return ext3 == QLatin1String("QBC") || ext3 == QLatin1String("CBQ");
}

QString outputPathFor(const QString& path)
{
    const qsizetype separator = lastSeparator(path);
    const QString folder = path.left(separator + 1);
    const QString name = path.mid(separator + 1);
    const QString ext3 = ext3Of(path);
    const QString ending = ext3 == QLatin1String("QBC")
                               ? QStringLiteral(".cbq")
                               : QLatin1Char('.') + ext3 + QStringLiteral(".qbc");
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return folder + (dot < 0 ? name : name.left(dot)) + ending;
}

} // namespace quibex
