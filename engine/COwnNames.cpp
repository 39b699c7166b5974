#include "engine/COwnNames.h"

#include <utility>

COwnNames::COwnNames(QString strFound, QStringList listed)
    : m_strFound(std::move(strFound)), m_Listed(std::move(listed)) {}

bool COwnNames::Contains(const QString& author) const {
    return !author.isEmpty() && (author == m_strFound || m_Listed.contains(author));
}
