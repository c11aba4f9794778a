// The Python module tav: the game model, Buffer, the message header and the text dump.
//
// The order of the declarations below is the order in which the module registers its classes
// and functions: the iterator class, the optional classes with make_optional, the enumeration
// holders with their value lists, the records, _print, Buffer, Header with readHeader and
// writeHeader, and finally the containers.
//
// The companion module tav._protocol (tav.protocol), by concern:
//   protocol.i          its typemaps (bytes-like input, version names, records) and functions
//   protocol.py/.pyi    its Python face and stubs
//   runtime_table.h     the one binding runtime: the table tav._tav exports to it
//   runtime_client.h    the companion's side of that table
//   protocol_support.h  shared helpers: references, byte views, versions, any-record arguments
//   protocol_bodies.h   bodies and messages: read, write, message streams, detection, schema
//   protocol_records.h  record helpers: equality, dump, enumeration names, Buffers, attributes
//   protocol_json.h     the JSON mapping
//   protocol_dicts.h    whole states as dicts and lists (to_dict, from_dict)
%define TAV_MODULE_DOCSTRING
"The game model of the tabletop companion application (the game state, its actors, figures and
ability decks, the enumerations with their value lists), the protocol's byte Buffer, the message
header (readHeader, writeHeader) and the text dump (_print). The game-state readers and writers
of the protocol versions are native only."
%enddef
%module(docstring=TAV_MODULE_DOCSTRING) tav

// __version__: the project's version (project() in CMakeLists.txt), from version.i.in.
%include "version.i"

%feature("autodoc", "3");

// Expected warnings, silenced where they arise: keyword renames (314: print -> _print,
// SummonColor.None -> _None) and overloads that Python cannot tell apart (509: the enumeration
// forms of _print and make_optional, the reference and pointer constructors of Actor).
%warnfilter(314, 509) tav::print;
%warnfilter(314) tav::SummonColorNS::None;
%warnfilter(509) tav::Actor::Actor;
%warnfilter(509) tl::make_optional;

%{
#include "model/actor.h"
#include "model/attackModifier.h"
#include "model/characterClass.h"
#include "model/condition.h"
#include "model/elementState.h"
#include "model/gameState.h"
#include "model/monsterAbilityDeck.h"
#include "model/monsterActor.h"
#include "model/monsterInstance.h"
#include "model/monsterType.h"
#include "model/playerActor.h"
#include "model/playerInit.h"
#include "model/summonColor.h"
#include "print.h"
#include "protocol/buffer.h"
#include "protocol/header.h"

// Actor's two record fields are seen by the binding under their unqualified names.
using tav::MonsterActor;
using tav::PlayerActor;
%}

%include <stdint.i>

%include "arguments.i"
%include <std_string.i>

%include "handles.i"
%include "views.i"

// Copies, pickling, representation strings and value equality of the proxies (Python text in
// the class bodies, nothing in the extension module).
%include "copies.i"

// A method or attribute called with None as its object would reach native code with a null
// object: refuse it as a null reference. When converting another argument ran Python code, the
// object is checked again: that code may have moved or removed what it shows.
%typemap(arginit, noblock=1) SWIGTYPE *self (unsigned long runsBefore) {
  runsBefore = tav_binding::pythonRuns();
}
%typemap(check, noblock=1) SWIGTYPE *self {
  if (!$1) {
    %argument_nullref("$type", $symname, $argnum);
  }
  if (tav_binding::pythonRuns() != runsBefore$argnum && !tav_binding::stillUsable(swig_obj[0], "$symname")) {
    SWIG_exception_fail(tav_binding::staleView, "in method '$symname', argument $argnum");
  }
}

// Opaque handles that own their object: released when collected.
%tav_owned_handle(tl::optional<std::string>)
%tav_owned_handle(std::vector<tav::AttackModifierNS::Value>)
%tav_owned_handle(std::allocator<int>)
%tav_owned_handle(std::allocator<tav::CharacterClassNS::Value>)
%tav_owned_handle(std::allocator<tav::ConditionNS::Value>)
%tav_owned_handle(std::allocator<tav::ElementStateNS::Value>)
%tav_owned_handle(std::allocator<tav::MonsterTypeNS::Value>)
%tav_owned_handle(std::allocator<tav::PlayerInitNS::Value>)
%tav_owned_handle(std::allocator<tav::SummonColorNS::Value>)
%tav_owned_handle(std::allocator<tav::Actor>)
%tav_owned_handle(std::allocator<tav::MonsterInstance>)
%tav_owned_handle(std::allocator<std::pair<int const, tav::MonsterAbilityDeck> >)
%tav_owned_handle(MonsterActor)
%tav_owned_handle(PlayerActor)

// A handle's representation shows the last name of its type: make that the spelling of the
// GameState fields rather than the enumeration's inner name.
%fragment("tav_attack_modifier_list", "header") {
static swig_type_info *tav_attack_modifier_list() {
  return $descriptor(std::vector< tav::AttackModifierNS::Value, std::allocator< tav::AttackModifierNS::Value > > *);
}
}
%fragment("tav_attack_modifier_list");
%init %{
  tav_attack_modifier_list()->str =
      "std::vector< tav::AttackModifierNS::Value,std::allocator< tav::AttackModifierNS::Value > > *|"
      "std::vector< enum tav::AttackModifierNS::Value,std::allocator< enum tav::AttackModifierNS::Value > > *|"
      "std::vector< tav::AttackModifier,std::allocator< tav::AttackModifier > > *";
%}

%include "containers.i"
%include <std_vector.i>
%include <std_map.i>

// Optional values.
%include "optional.i"

%template(OptionalMonsterActor) tl::optional<tav::MonsterActor>;
%template(OptionalPlayerActor) tl::optional<tav::PlayerActor>;
%template(Optionalint) tl::optional<int>;
%template(OptionalAttackModifier) tl::optional<tav::AttackModifierNS::Value>;
%template(OptionalCharacterClass) tl::optional<tav::CharacterClassNS::Value>;
%template(OptionalCondition) tl::optional<tav::ConditionNS::Value>;
%template(OptionalElementState) tl::optional<tav::ElementStateNS::Value>;
%template(OptionalMonsterType) tl::optional<tav::MonsterTypeNS::Value>;
%template(OptionalPlayerInit) tl::optional<tav::PlayerInitNS::Value>;
%template(OptionalSummonColor) tl::optional<tav::SummonColorNS::Value>;

%template(make_optional) tl::make_optional<tav::MonsterActor>;
%template(make_optional) tl::make_optional<tav::PlayerActor>;
%template(make_optional) tl::make_optional<int>;
%template(make_optional) tl::make_optional<tav::AttackModifierNS::Value>;
%template(make_optional) tl::make_optional<tav::CharacterClassNS::Value>;
%template(make_optional) tl::make_optional<tav::ConditionNS::Value>;
%template(make_optional) tl::make_optional<tav::ElementStateNS::Value>;
%template(make_optional) tl::make_optional<tav::MonsterTypeNS::Value>;
%template(make_optional) tl::make_optional<tav::PlayerInitNS::Value>;
%template(make_optional) tl::make_optional<tav::SummonColorNS::Value>;

// Enumerations: each scope struct becomes a holder class named after the enumeration.
%rename(AttackModifier) tav::AttackModifierNS;
%rename(CharacterClass) tav::CharacterClassNS;
%rename(Condition) tav::ConditionNS;
%rename(ElementState) tav::ElementStateNS;
%rename(MonsterType) tav::MonsterTypeNS;
%rename(PlayerInit) tav::PlayerInitNS;
%rename(SummonColor) tav::SummonColorNS;

%include "model/attackModifier.h"
%include "model/characterClass.h"
%include "model/condition.h"
%include "model/elementState.h"
%include "model/monsterType.h"
%include "model/playerInit.h"
%include "model/summonColor.h"

// Records. Pointer arguments of the records and of Buffer must not be null: Actor(None),
// None assigned to a container or optional attribute and Buffer(None, n) are refused.
%typemap(check, noblock=1) SWIGTYPE * {
  if (!$1) {
    %argument_nullref("$type", $symname, $argnum);
  }
}

// getMonster() and getPlayer(): None for the other kind of actor, else a view of the live
// record that keeps the actor alive.
%define %tav_record_view(RECORD)
%typemap(out, noblock=1) tl::optional<RECORD &>, tl::optional<tav::RECORD &> {
  {
    const $1_ltype &view = $1;
    $result = view ? tav_binding::newView(%as_voidptr(&*view), $descriptor(tav::RECORD *), 0, $self) : SWIG_Py_Void();
  }
}
%typemap(out, noblock=1) tl::optional<RECORD const &>, tl::optional<tav::RECORD const &> {
  {
    const $1_ltype &view = $1;
    $result = view ? tav_binding::newView(%as_voidptr(const_cast<tav::RECORD *>(&*view)), $descriptor(tav::RECORD *), 0, $self) : SWIG_Py_Void();
  }
}
%enddef
%tav_record_view(MonsterActor)
%tav_record_view(PlayerActor)

// actor.h comes before the headers of its two records, so that its fields keep their
// unqualified record types (opaque handles) while its constructors take the record classes.
%include "model/actor.h"
%include "model/monsterAbilityDeck.h"
%include "model/monsterActor.h"
%include "model/monsterInstance.h"
%include "model/playerActor.h"
%include "model/gameState.h"

// The text dump: only the enumeration and record forms.
%ignore tav::print(const char *);
%ignore tav::print(const int &);
%ignore tav::print(const unsigned long &);
%ignore tav::print(const bool &);
%ignore tav::print(const std::string &);
%include "print.h"

// Buffer and the message header.
%include "protocol/buffer.h"
%include "protocol/header.h"

%typemap(check) SWIGTYPE *;

// Containers.
%template(IntVector) std::vector<int>;
%template(CharacterClassVector) std::vector<tav::CharacterClassNS::Value>;
%template(ConditionVector) std::vector<tav::ConditionNS::Value>;
%template(ElementStateVector) std::vector<tav::ElementStateNS::Value>;
%template(MonsterTypeVector) std::vector<tav::MonsterTypeNS::Value>;
%template(PlayerInitVector) std::vector<tav::PlayerInitNS::Value>;
%template(SummonColorVector) std::vector<tav::SummonColorNS::Value>;
%template(ActorVector) std::vector<tav::Actor>;
%template(MonsterInstanceVector) std::vector<tav::MonsterInstance>;
%template(MonsterAbilityDeckLookupMap) std::map<int, tav::MonsterAbilityDeck>;

// No proxy takes attributes it does not have (proxies.py).
%pythoncode %{
# The refusal runs natively (tav._protocol.close_attributes), so that assigning a field costs
# no Python-level __setattr__. A build tree without the companion module keeps open classes.
try:
    _tav_native()
except ImportError:
    pass
else:
    for _tav_class in list(globals().values()):
        if isinstance(_tav_class, type) and isinstance(vars(_tav_class).get("thisown"), property):
            _tav_companion.close_attributes(_tav_class)
    del _tav_class
%}
