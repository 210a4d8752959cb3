// PreparePatternTraits: builds the pattern facility's character tables of the
// library's locale once, so that later pattern compilations only read the
// facility's table cache.  Called by the load hook; it may throw (memory).
#ifndef CORVANE_CONFIG_PARSERS_PATTERNTRAITS_H
#define CORVANE_CONFIG_PARSERS_PATTERNTRAITS_H

namespace corvane {

void PreparePatternTraits();

}  // namespace corvane

#endif  // CORVANE_CONFIG_PARSERS_PATTERNTRAITS_H
