#include "core/FaitsLus.h"

#include <algorithm>

namespace tidemark {

FaitsLus::Donnees& FaitsLus::modifiable() {
    if (!d_)
        d_ = std::make_shared<Donnees>();
    else if (d_.use_count() > 1)
        d_ = std::make_shared<Donnees>(*d_);
    return *d_;
}

void FaitsLus::fusionne(const FaitsLus& autres) {
    if (!autres.d_)
        return;
    if (!d_) {
        d_ = autres.d_;
        return;
    }
    const Donnees& a = *autres.d_;
    for (std::size_t i = 0; i < a.presents.size(); ++i)
        if (a.presents[i])
            insert(qint32(i), a.faits[i]);
}

void FaitsLus::insert(qint32 position, const InfoFichier& info) {
    Q_ASSERT(position >= 0);
    Donnees& d = modifiable();
    const std::size_t i = std::size_t(position);
    if (i >= d.presents.size()) {
        // Grows by at least half again, so entries recorded in list order cost amortised
        // constant time.
        const std::size_t taille = std::max(i + 1, d.presents.size() + d.presents.size() / 2);
        d.faits.resize(taille);
        d.presents.resize(taille, 0);
    }
    if (!d.presents[i])
        ++d.nombre;
    d.presents[i] = 1;
    d.faits[i] = info;
}

const InfoFichier* FaitsLus::trouve(qint32 position) const {
    if (!d_ || position < 0 || std::size_t(position) >= d_->presents.size() ||
        !d_->presents[std::size_t(position)])
        return nullptr;
    return &d_->faits[std::size_t(position)];
}

InfoFichier FaitsLus::value(qint32 position) const {
    const InfoFichier* info = trouve(position);
    return info ? *info : InfoFichier{};
}

void FaitsLus::reserve(qsizetype positions) {
    if (positions <= 0 || (d_ && std::size_t(positions) <= d_->presents.size()))
        return;
    Donnees& d = modifiable();
    d.faits.resize(std::size_t(positions));
    d.presents.resize(std::size_t(positions), 0);
}

}  // namespace tidemark
