#include "data/game.h"

namespace game_detail {

CGame* current = nullptr;

CGame& First() {
    // The process's own session lives until exit; scopes only stack on top of it.
    static CGame game;
    if (!current) current = &game;
    return *current;
}

}  // namespace game_detail

CGameSession::CGameSession() : game_(std::make_unique<CGame>()), previous_(&Game()) {
    game_detail::current = game_.get();
}

CGameSession::~CGameSession() { game_detail::current = previous_; }
