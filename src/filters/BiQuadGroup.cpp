#include "filters/BiQuadGroup.h"

#include <algorithm>
#include <cstring>

BiQuadFilter* BiQuadGroup::unitOf(GenericFilter* member) { return dynamic_cast<BiQuadFilter*>(member->getUnit()); }

void BiQuadGroup::process(const float* in, float* out, const float*, const float*, const float*, int count, bool) {
    if (in != out && count > 0) std::memmove(out, in, sizeof(float) * static_cast<size_t>(count));
}

void BiQuadGroup::reset() {
    for (GenericFilter* member : members()) {
        if (BiQuadFilter* unit = unitOf(member)) unit->reset();
    }
}

void BiQuadGroup::processMembers(int count) {
    const int memberCount = std::min(static_cast<int>(members().size()), kMaxMembers);
    count = std::max(count, 0);
    for (int m = 0; m < memberCount; ++m) count = std::min(count, members()[m]->getOwnBuffer()->capacity());
    // The members that filter this block, in member order.
    int active[kMaxMembers];
    BiQuadFilter* units[kMaxMembers] = {};
    BiQuadFilter::Block blocks[kMaxMembers];
    int activeCount = 0;
    for (int m = 0; m < memberCount; ++m) {
        GenericFilter* member = members()[m];
        const GenericFilter::Streams s = member->fetchStreams(count);
        BiQuadFilter* unit = units[m] = unitOf(member);
        if (!s.active || !unit) {
            member->passThrough();
            continue;
        }
        unit->response.set(member->response);
        unit->slope.set(member->slope);
        // The biquads filter straight into the member's own buffer, which its mix stage then
        // works on in place.
        blocks[m] = {s.input, member->getOwnBuffer()->data(), s.frequency, s.peak, s.factor, s.constant, s.factorConstant};
        active[activeCount++] = m;
    }
    for (int k = 0; k < activeCount;) {
        const int m = active[k];
        BiQuadFilter& unit = *units[m];
        if (k + 1 < activeCount && unit.sameShape(*units[active[k + 1]])) {
            const int partner = active[k + 1];
            BiQuadFilter::processPair(unit, blocks[m], *units[partner], blocks[partner], count);
            k += 2;
        } else {
            const BiQuadFilter::Block& b = blocks[m];
            unit.process(b.in, b.out, b.freq, b.peak, b.factor, count, b.constant);
            k += 1;
        }
    }
    for (int k = 0; k < activeCount; ++k) members()[active[k]]->deliver(blocks[active[k]].out, count);
}
