
# ---------------------------------------------------------------------------------------------
# Python-side touches of the proxy classes (placed by tav.i before the classes, which take them
# into their bodies (%tav_python_record in copies.i); they add nothing to the extension module):
#   - records, Header and Buffer show their kind and a few key fields as repr();
#   - no proxy takes attributes it does not have: `state.rounds = 1` raises AttributeError
#     instead of quietly keeping a Python attribute that native code never sees (names that
#     start with "_" stay free for the binding's own bookkeeping; subclasses are not touched);
#   - bytes(buffer) gives the bytes written into a Buffer (tav.protocol.buffer_bytes);
#   - records compare by value with == and != (the native operators, reached through the
#     companion module tav._protocol); being mutable, they are no longer hashable.


def _tav_member_names(holder):
    names = {}
    for name, value in vars(holder).items():
        if isinstance(value, int) and not name.startswith("__"):
            names.setdefault(value, name)
    return names


_tav_names = {}


def _tav_name(holder, value):
    names = _tav_names.get(holder)
    if names is None:
        names = _tav_names[holder] = _tav_member_names(holder)
    return names.get(value, str(value))


def _tav_shows_native(repr_function):
    # The representation of an instance that holds no native object (a subclass whose __init__
    # did not call the base class's) says so instead of raising.
    def shown(self):
        if vars(self).get("this") is None:
            return "<%s.%s holding no native object>" % (type(self).__module__,
                                                         type(self).__qualname__)
        return repr_function(self)
    shown.__name__ = shown.__qualname__ = "__repr__"
    return shown


def _tav_repr_state(self):
    return "<tav.GameState round=%d scenario=%d level=%d actors=%d decks=%d>" % (
        self.round, self.scenario_number, self.scenario_level, len(self.actors),
        len(self.ability_decks))


def _tav_repr_player(self):
    return "<tav.PlayerActor name=%r class=%s hp=%d/%d level=%d>" % (
        self.name, _tav_name(CharacterClass, self.character_class), self.hp, self.hp_max,
        self.level)


def _tav_repr_monster(self):
    return "<tav.MonsterActor id=%d level=%d normal=%s elite=%s>" % (
        self.id, self.level, self.is_normal, self.is_elite)


def _tav_repr_actor(self):
    player = self.getPlayer()
    if player is not None:
        kind = "player name=%r class=%s" % (
            player.name, _tav_name(CharacterClass, player.character_class))
    else:
        monster = self.getMonster()
        kind = "monster id=%d level=%d" % (monster.id, monster.level)
    return "<tav.Actor %s instances=%d>" % (kind, len(self.instances))


def _tav_repr_instance(self):
    return "<tav.MonsterInstance number=%d type=%s hp=%d/%d>" % (
        self.number, _tav_name(MonsterType, self.type), self.hp, self.hp_max)


def _tav_repr_deck(self):
    shown = self.shown_ability
    return "<tav.MonsterAbilityDeck id=%d abilities=%d discarded=%d shown_ability=%s>" % (
        self.id, len(self.abilities), len(self.abilities_discard),
        shown.value() if shown.has_value() else None)


def _tav_repr_header(self):
    return "<tav.Header event=%r payload=%r length=%d>" % (self.event, self.payload, self.length)


def _tav_repr_buffer(self):
    return "<tav.Buffer read=%d written=%d>" % (self.getReadPosition(), self.getPosition())


_tav_companion = None


def _tav_native():
    # The companion extension module, found beside this module's own.
    global _tav_companion
    if _tav_companion is None:
        if __package__ or "." in __name__:
            from . import _protocol as _tav_companion
        else:
            import _protocol as _tav_companion
    return _tav_companion


def _tav_equal(self, other):
    if type(other) is not type(self):
        return NotImplemented
    return _tav_native().equal(self, other)


def _tav_buffer_bytes(self):
    return _tav_native().buffer_bytes(self, False)


def _tav_header_equal(self, other):
    if type(other) is not type(self):
        return NotImplemented
    return (self.event, self.payload, self.length) == (other.event, other.payload, other.length)
