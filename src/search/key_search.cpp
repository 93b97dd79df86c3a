#include "search/key_search.h"

#include <algorithm>
#include <cmath>

#include "codes/key_alphabet.h"
#include "cost/layout_cost.h"

namespace kananet::search {

namespace {

std::size_t At(int first, int second) {
  return static_cast<std::size_t>(first * 64 + second);
}

}  // namespace

Places StartPlaces() {
  Places places{};
  for (std::size_t key = 0; key < places.size(); ++key) {
    places[key] = static_cast<std::uint8_t>(key);
  }
  return places;
}

std::vector<std::string> KeysAt(std::vector<std::string> keys, const Places& places) {
  for (std::string& unit : keys) {
    for (char& key : unit) {
      key = static_cast<char>(places[static_cast<std::uint8_t>(key)]);
    }
  }
  return keys;
}

KeyProblem::KeyProblem(const StrokeCounts& start, std::vector<int> freeKeys,
                       const FigureWeights& weights, int leftHandLastKey, bool countByKana,
                       std::uint64_t kana, const GapWindows* windows,
                       const SearchSettings* fingerTargets, const UnitWindows* units,
                       const HandSets* hands)
    : start_(start),
      freeKeys_(std::move(freeKeys)),
      weights_(weights),
      leftHandLastKey_(leftHandLastKey),
      countByKana_(countByKana),
      kana_(kana),
      windows_(windows),
      fingerTargets_(fingerTargets && kananet::HasFingerTargets(*fingerTargets) ? fingerTargets
                                                                                : nullptr),
      units_(units && units->ByStrokes != countByKana ? units : nullptr),
      hands_(units_ ? hands : nullptr) {
  const double perKana = 100.0 / static_cast<double>(kana == 0 ? 1 : kana);
  if (countByKana && !units_) {
    windows_ = nullptr;
  }
  const double classTwoWeight = windows_ || hands_ ? weights[kFigureGap2] : 0;
  if (windows_ || hands_) {
    classOneWeight_ = countByKana || units_ ? 0 : (weights[kFigureGap1] - classTwoWeight) * perKana;
    allPairsWeight_ = classTwoWeight * perKana;
  }
  if (units_) {
    unitZeroWeight_ = countByKana ? (weights[kFigureGap0] - classTwoWeight) * perKana : 0;
    unitOneWeight_ = (weights[kFigureGap1] - classTwoWeight) * perKana;
  }
  auto weightOf = [&](FigureMask figures) {
    double sum = 0;
    for (int figure = 0; figure < kFigureCount; ++figure) {
      if ((figures >> figure & 1) != 0 && !(countByKana && figure == kFigureGap0)) {
        sum += weights[static_cast<std::size_t>(figure)] -
               (figure == kFigureGap0 && !countByKana ? classTwoWeight : 0);
      }
    }
    return sum * perKana;
  };
  for (int key = 0; key < kKeyCount; ++key) {
    keyWeight_[static_cast<std::size_t>(key)] = weightOf(KeyFigures(key, leftHandLastKey));
    fingerAt_[static_cast<std::size_t>(key)] =
        static_cast<std::uint8_t>(FingerOf(key, leftHandLastKey));
    for (int second = 0; second < kKeyCount; ++second) {
      pairWeight_[At(key, second)] = pairWeightT_[At(second, key)] =
          weightOf(PairFigures(key, second, leftHandLastKey));
    }
  }
}

FigureCounts KeyProblem::FiguresAt(const Places& places) const {
  FigureCounts figures = FiguresAt(start_, places);
  if (units_) {
    UnitGapsInto(figures, KeysAt(units_->StartKeys, places), places);
  } else if (windows_) {
    const GapPairs pairs = GapPairsAt(*windows_, leftHandLastKey_, places);
    figures[kFigureGap1] = static_cast<std::uint64_t>(pairs.ClassOne);
    figures[kFigureGap2] =
        static_cast<std::uint64_t>(pairs.All - pairs.ClassOne) - figures[kFigureGap0];
  }
  return figures;
}

FigureCounts KeyProblem::FiguresAt(const StrokeCounts& strokes, const Places& places) const {
  StrokeCounts moved{std::vector<std::uint64_t>(64), std::vector<std::uint64_t>(64 * 64)};
  for (int key = 0; key < 64; ++key) {
    moved.Keys[places[static_cast<std::size_t>(key)]] = strokes.Keys[static_cast<std::size_t>(key)];
    for (int second = 0; second < 64; ++second) {
      moved.Pairs[At(places[static_cast<std::size_t>(key)],
                     places[static_cast<std::size_t>(second)])] = strokes.Pairs[At(key, second)];
    }
  }
  return FiguresOfStrokes(moved, leftHandLastKey_, countByKana_);
}

void KeyProblem::UnitGapsInto(FigureCounts& figures, const std::vector<std::string>& keys,
                              const Places& places) const {
  const UnitGapPairs pairs = UnitGapPairsAt(*units_, keys, leftHandLastKey_);
  if (countByKana_) {
    figures[kFigureGap0] = static_cast<std::uint64_t>(pairs.ClassZero);
  }
  figures[kFigureGap1] = static_cast<std::uint64_t>(pairs.ClassOne);
  if (windows_ || hands_) {
    const std::int64_t all = windows_ ? GapPairsAt(*windows_, leftHandLastKey_, places).All
                                      : AllPairsAt(*hands_, keys, places, leftHandLastKey_);
    figures[kFigureGap2] = static_cast<std::uint64_t>(all - pairs.ClassOne) - figures[kFigureGap0];
  }
}

bool KeyProblem::Scores(int figure) const {
  if (!IsGapFigure(figure)) {
    return true;
  }
  const bool allPairs = windows_ != nullptr || hands_ != nullptr;
  if (!countByKana_) {
    return figure == kFigureGap0 || allPairs || (units_ != nullptr && figure == kFigureGap1);
  }
  return units_ != nullptr && (figure != kFigureGap2 || allPairs);
}

double KeyProblem::CostOf(const FigureCounts& figures) const {
  FigureWeights weights = weights_;
  for (int figure = 0; figure < kFigureCount; ++figure) {
    if (!Scores(figure)) {
      weights[static_cast<std::size_t>(figure)] = 0;
    }
  }
  double cost = kananet::CostOf(figures, weights, kana_);
  if (fingerTargets_) {
    cost += FingerTargetCostOf(figures, *fingerTargets_);
  }
  return cost;
}

double CostScaleOf(const FigureCounts& figures, const FigureWeights& weights, std::uint64_t kana,
                   const SearchSettings* fingerTargets) {
  double sum = 0;
  for (const double weight : weights) {
    sum += std::abs(weight);
  }
  double scale = WeightedFigure(*std::max_element(figures.begin(), figures.end()), sum, kana);
  if (fingerTargets) {
    scale += std::abs(fingerTargets->FingerTargetWeight) * 100 * 100 * kFingerCount;
  }
  return scale;
}

KeyState::KeyState(const KeyProblem& problem, const Places& places)
    : problem_(problem), places_(places) {
  for (int key = 0; key < 64; ++key) {
    const std::uint8_t place = places[static_cast<std::size_t>(key)];
    occupant_[place] = static_cast<std::uint8_t>(key);
    strokes_[place] = static_cast<double>(problem.start_.Keys[static_cast<std::size_t>(key)]);
    cost_ += strokes_[place] * problem.keyWeight_[place];
  }
  for (int first = 0; first < 64; ++first) {
    for (int second = 0; second < 64; ++second) {
      const std::size_t at =
          At(places[static_cast<std::size_t>(first)], places[static_cast<std::size_t>(second)]);
      pairs_[at] = static_cast<double>(problem.start_.Pairs[At(first, second)]);
      pairsT_[At(places[static_cast<std::size_t>(second)],
                 places[static_cast<std::size_t>(first)])] = pairs_[at];
      cost_ += pairs_[at] * problem.pairWeight_[at];
    }
  }
  if (problem.fingerTargets_) {
    for (int key = 0; key < kKeyCount; ++key) {
      fingers_[problem.FingerAt(key)] += strokes_[static_cast<std::size_t>(key)];
    }
    fingerCost_ = FingerTargetCost(fingers_, *problem.fingerTargets_);
    cost_ += fingerCost_;
  }
  if (problem.windows_) {
    gaps_.emplace(*problem.windows_, problem.freeKeys_, problem.leftHandLastKey_, places);
    cost_ += static_cast<double>(gaps_->Now().ClassOne) * problem.classOneWeight_ +
             static_cast<double>(gaps_->Now().All) * problem.allPairsWeight_;
  }
  if (problem.unitZeroWeight_ != 0 || problem.unitOneWeight_ != 0) {
    units_.emplace(*problem.units_, KeysAt(problem.units_->StartKeys, places),
                   problem.leftHandLastKey_, problem.unitZeroWeight_, problem.unitOneWeight_);
    cost_ += units_->Cost();
  }
  if (problem.hands_ && problem.allPairsWeight_ != 0) {
    hands_.emplace(*problem.hands_, problem.freeKeys_, problem.leftHandLastKey_, places);
    cost_ += static_cast<double>(hands_->Now()) * problem.allPairsWeight_;
  }
}

double KeyState::Delta(int a, int b) const {
  return DeltaOfKeys(a, b) + (units_ ? units_->KeyDelta(a, b) : 0);
}

double KeyState::DeltaOfKeys(int a, int b) const {
  const double* weightA = &problem_.pairWeight_[At(a, 0)];
  const double* weightB = &problem_.pairWeight_[At(b, 0)];
  const double* weightTA = &problem_.pairWeightT_[At(a, 0)];
  const double* weightTB = &problem_.pairWeightT_[At(b, 0)];
  const double* rowA = &pairs_[At(a, 0)];
  const double* rowB = &pairs_[At(b, 0)];
  const double* columnA = &pairsT_[At(a, 0)];
  const double* columnB = &pairsT_[At(b, 0)];
  // Every other key k: the pairs (a, k) and (b, k) trade their counts, and so do (k, a) and
  // (k, b). The sum runs over every k first and then takes out k = a and k = b.
  double delta = 0;
  for (int k = 0; k < kKeyCount; ++k) {
    delta += (rowB[k] - rowA[k]) * (weightA[k] - weightB[k]) +
             (columnB[k] - columnA[k]) * (weightTA[k] - weightTB[k]);
  }
  for (const int k : {a, b}) {
    delta -= (rowB[k] - rowA[k]) * (weightA[k] - weightB[k]) +
             (columnB[k] - columnA[k]) * (weightTA[k] - weightTB[k]);
  }
  // The four pairs of a and b themselves.
  const double aa = rowA[a], ab = rowA[b], ba = rowB[a], bb = rowB[b];
  delta += (bb - aa) * (weightA[a] - weightB[b]) + (ba - ab) * (weightA[b] - weightB[a]);
  delta += (strokes_[static_cast<std::size_t>(b)] - strokes_[static_cast<std::size_t>(a)]) *
           (problem_.keyWeight_[static_cast<std::size_t>(a)] -
            problem_.keyWeight_[static_cast<std::size_t>(b)]);
  if (problem_.fingerTargets_) {
    delta += FingerCostAfter(a, b) - fingerCost_;
  }
  if (gaps_) {
    const GapPairs pairs = gaps_->Delta(a, b);
    delta += static_cast<double>(pairs.ClassOne) * problem_.classOneWeight_ +
             static_cast<double>(pairs.All) * problem_.allPairsWeight_;
  }
  if (hands_) {
    delta += static_cast<double>(hands_->KeyDelta(a, b)) * problem_.allPairsWeight_;
  }
  return delta;
}

// The strokes by finger when keys a and b exchange places.
std::array<double, kFingerCount> KeyState::FingersAfter(int a, int b) const {
  std::array<double, kFingerCount> fingers = fingers_;
  const std::size_t from = problem_.FingerAt(a), to = problem_.FingerAt(b);
  const double moved =
      strokes_[static_cast<std::size_t>(b)] - strokes_[static_cast<std::size_t>(a)];
  fingers[from] += moved;
  fingers[to] -= moved;
  return fingers;
}

double KeyState::FingerCostAfter(int a, int b) const {
  return FingerTargetCost(FingersAfter(a, b), *problem_.fingerTargets_);
}

void KeyState::Exchange(int a, int b) {
  cost_ += DeltaOfKeys(a, b);
  if (problem_.fingerTargets_) {
    fingers_ = FingersAfter(a, b);
    fingerCost_ = FingerTargetCost(fingers_, *problem_.fingerTargets_);
  }
  if (gaps_) {
    gaps_->Exchange(a, b);
  }
  if (hands_) {
    hands_->ExchangeKeys(a, b);
  }
  if (units_) {
    cost_ += units_->ExchangeKeys(a, b);
  }
  const auto ua = static_cast<std::size_t>(a), ub = static_cast<std::size_t>(b);
  std::swap(strokes_[ua], strokes_[ub]);
  for (auto* table : {&pairs_, &pairsT_}) {
    for (std::size_t k = 0; k < 64; ++k) {
      std::swap((*table)[ua * 64 + k], (*table)[ub * 64 + k]);
    }
    for (std::size_t k = 0; k < 64; ++k) {
      std::swap((*table)[k * 64 + ua], (*table)[k * 64 + ub]);
    }
  }
  std::swap(occupant_[ua], occupant_[ub]);
  places_[occupant_[ua]] = static_cast<std::uint8_t>(a);
  places_[occupant_[ub]] = static_cast<std::uint8_t>(b);
}

double KeyState::FingerDelta(const std::array<double, kFingerCount>& moved) const {
  if (!problem_.fingerTargets_) {
    return 0;
  }
  std::array<double, kFingerCount> fingers = fingers_;
  for (std::size_t finger = 0; finger < fingers.size(); ++finger) {
    fingers[finger] += moved[finger];
  }
  return FingerTargetCost(fingers, *problem_.fingerTargets_) - fingerCost_;
}

void KeyState::AddStrokes(int key, double count) {
  strokes_[static_cast<std::size_t>(key)] += count;
  cost_ += count * problem_.keyWeight_[static_cast<std::size_t>(key)];
  if (problem_.fingerTargets_ && key < kKeyCount) {
    // The finger targets' term is no sum over strokes: it is worked out again.
    fingers_[problem_.FingerAt(key)] += count;
    const double fingerCost = FingerTargetCost(fingers_, *problem_.fingerTargets_);
    cost_ += fingerCost - fingerCost_;
    fingerCost_ = fingerCost;
  }
}

void KeyState::AddPairs(int first, int second, double count) {
  pairs_[At(first, second)] += count;
  pairsT_[At(second, first)] += count;
  cost_ += count * problem_.pairWeight_[At(first, second)];
}

double KeyState::RetypeDelta(const std::vector<Retyped>& retyped) const {
  return (units_ ? units_->Delta(retyped) : 0) +
         (hands_ ? static_cast<double>(hands_->Delta(retyped)) * problem_.allPairsWeight_ : 0);
}

void KeyState::Retype(const std::vector<Retyped>& retyped) {
  if (units_) {
    const double before = units_->Cost();
    units_->Retype(retyped);
    cost_ += units_->Cost() - before;
  }
  if (hands_) {
    const std::int64_t before = hands_->Now();
    hands_->Retype(retyped);
    cost_ += static_cast<double>(hands_->Now() - before) * problem_.allPairsWeight_;
  }
}

std::vector<std::pair<int, int>> ExchangesTo(const Places& places) {
  // Fill the keys in order, each with the start key that ends there, by exchanging it with
  // the key that holds that start key now: a cycle of n keys takes n - 1 exchanges.
  std::vector<std::pair<int, int>> exchanges;
  Places wanted{};  // the start key that ends at each key
  for (std::size_t key = 0; key < places.size(); ++key) {
    wanted[places[key]] = static_cast<std::uint8_t>(key);
  }
  Places occupant = StartPlaces();
  Places position = StartPlaces();
  for (std::size_t key = 0; key < places.size(); ++key) {
    if (occupant[key] != wanted[key]) {
      const std::uint8_t other = position[wanted[key]];
      exchanges.emplace_back(static_cast<int>(key), static_cast<int>(other));
      std::swap(occupant[key], occupant[other]);
      position[occupant[key]] = static_cast<std::uint8_t>(key);
      position[occupant[other]] = other;
    }
  }
  return exchanges;
}

std::uint64_t Random::Next() {
  // splitmix64
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  return z ^ (z >> 31);
}

}  // namespace kananet::search
