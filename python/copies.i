// copy.copy, copy.deepcopy and pickle for the records, containers and optionals, and the other
// Python additions of the proxy classes (proxies.py), in the class bodies. Included before any
// class is declared: the functions below must exist when the class bodies run.
//
// Records copy and pickle through their field values: a record's state is the list of its
// attribute values, with containers as Python lists (a dict for the map), optionals as None or
// their value and the attack-modifier lists as lists of ints. That form names no version of
// the binary protocol, so a pickle stays readable whatever the protocol does. Containers and
// optionals use their copy constructors. Every copy is a new owned object, never a view.

%fragment("tav_copies", "header", fragment=SWIG_AsVal_frag(int)) {

// The values of an attack-modifier list (an opaque handle) as a list of ints, and back.
static PyObject *tav_attack_modifiers_get(PyObject *, PyObject *handle) {
  std::vector<tav::AttackModifier> *list = 0;
  int res = SWIG_ConvertPtr(handle, reinterpret_cast<void **>(&list),
                            $descriptor(std::vector< tav::AttackModifierNS::Value, std::allocator< tav::AttackModifierNS::Value > > *), 0);
  if (!SWIG_IsOK(res) || !list) {
    SWIG_Error(SWIG_ArgError(res), "attack modifier list expected");
    return 0;
  }
  PyObject *values = PyList_New(static_cast<Py_ssize_t>(list->size()));
  for (std::size_t i = 0; values && i < list->size(); ++i) {
    PyList_SET_ITEM(values, static_cast<Py_ssize_t>(i), PyLong_FromLong(static_cast<long>((*list)[i])));
  }
  return values;
}

static PyObject *tav_attack_modifiers_set(PyObject *, PyObject *args) {
  PyObject *handle = 0, *values = 0;
  if (!PyArg_UnpackTuple(args, "set_attack_modifiers", 2, 2, &handle, &values)) return 0;
  std::vector<tav::AttackModifier> *list = 0;
  int res = SWIG_ConvertPtr(handle, reinterpret_cast<void **>(&list),
                            $descriptor(std::vector< tav::AttackModifierNS::Value, std::allocator< tav::AttackModifierNS::Value > > *), 0);
  if (!SWIG_IsOK(res) || !list) {
    SWIG_Error(SWIG_ArgError(res), "attack modifier list expected");
    return 0;
  }
  PyObject *items = PySequence_Fast(values, "a sequence of ints expected");
  if (!items) return 0;
  std::vector<tav::AttackModifier> read;
  for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(items); ++i) {
    int value = 0;
    if (!SWIG_IsOK(SWIG_AsVal_int(PySequence_Fast_GET_ITEM(items, i), &value))) {
      Py_DECREF(items);
      PyErr_SetString(PyExc_TypeError, "attack modifier values must be 32-bit ints");
      return 0;
    }
    read.push_back(static_cast<tav::AttackModifier>(value));
  }
  Py_DECREF(items);
  // Converting the items ran no Python code, but the list may belong to a view: check it again.
  res = SWIG_ConvertPtr(handle, reinterpret_cast<void **>(&list),
                        $descriptor(std::vector< tav::AttackModifierNS::Value, std::allocator< tav::AttackModifierNS::Value > > *), 0);
  if (!SWIG_IsOK(res) || !list) {
    SWIG_Error(SWIG_ArgError(res), "attack modifier list expected");
    return 0;
  }
  list->swap(read);
  Py_RETURN_NONE;
}

static PyMethodDef tav_copy_methods[] = {
    {"attack_modifiers", tav_attack_modifiers_get, METH_O, "the values of an attack-modifier list"},
    {"set_attack_modifiers", tav_attack_modifiers_set, METH_VARARGS, "replaces the values of an attack-modifier list"},
    {0, 0, 0, 0}};
}
%fragment("tav_copies");

// The helpers live in a private namespace object of _tav, outside the method table.
%init %{
  {
    PyObject *helpers = PyModule_New("_tav._copies");
    if (!helpers || PyModule_AddFunctions(helpers, tav_copy_methods) < 0 ||
        PyModule_AddObject(m, "_copies", helpers) < 0) {
      Py_XDECREF(helpers);
      return NULL;
    }
  }
%}

%pythoncode %{
def _record_fields(cls):
    """The attribute names of a record class, in declaration order."""
    return [name for name, value in vars(cls).items()
            if isinstance(value, property) and name not in ("thisown", "this")]


def _vector_classes():
    return (IntVector, CharacterClassVector, ConditionVector, ElementStateVector,
            MonsterTypeVector, PlayerInitVector, SummonColorVector, ActorVector,
            MonsterInstanceVector)


def _optional_classes():
    return (OptionalMonsterActor, OptionalPlayerActor, Optionalint, OptionalAttackModifier,
            OptionalCharacterClass, OptionalCondition, OptionalElementState,
            OptionalMonsterType, OptionalPlayerInit, OptionalSummonColor)


def _field_state(value):
    if isinstance(value, (bool, int, str)):
        return value
    if isinstance(value, MonsterAbilityDeckLookupMap):
        return value.asdict()
    if isinstance(value, _vector_classes()):
        return list(value)
    if isinstance(value, _optional_classes()):
        return value.value() if value.has_value() else None
    return _tav._copies.attack_modifiers(value)


def _record_state(record):
    """The field values of a record, each a plain Python value or an owned copy."""
    if isinstance(record, Actor):
        # Both records of an actor are kept, whichever kind it is.
        both = Actor()
        both._Actor__monster = record._Actor__monster
        both._Actor__player = record._Actor__player
        monster = _rebuild_record(MonsterActor, _record_state(both.getMonster()))
        both._Actor__is_player = True
        player = _rebuild_record(PlayerActor, _record_state(both.getPlayer()))
        return (record._Actor__is_player, monster, player, record.turn_completed,
                list(record.instances))
    return [(name, _field_state(getattr(record, name))) for name in _record_fields(type(record))]


def _rebuild_record(cls, state):
    """A new record of class cls with the given field values (from _record_state)."""
    record = cls()
    for name, value in state:
        current = getattr(record, name)
        if isinstance(current, (bool, int, str)):
            setattr(record, name, value)
        elif isinstance(current, _vector_classes() + (MonsterAbilityDeckLookupMap,)):
            setattr(record, name, type(current)(value))
        elif isinstance(current, _optional_classes()):
            setattr(record, name, type(current)() if value is None else type(current)(value))
        else:
            _tav._copies.set_attack_modifiers(current, value)
    return record


def _rebuild_actor(state):
    """A new actor from the state _record_state gives for one."""
    is_player, monster, player, turn_completed, instances = state
    actor = Actor()
    actor._Actor__monster = Actor(monster)._Actor__monster
    actor._Actor__player = Actor(player)._Actor__player
    actor._Actor__is_player = is_player
    actor.turn_completed = turn_completed
    actor.instances = MonsterInstanceVector(instances)
    return actor


def _record_reduce(self):
    if isinstance(self, Actor):
        return (_rebuild_actor, (_record_state(self),))
    return (_rebuild_record, (type(self), _record_state(self)))


def _record_copy(self):
    function, args = _record_reduce(self)
    return function(*args)


def _record_deepcopy(self, memo, /):
    return _record_copy(self)


def _container_reduce(self):
    if isinstance(self, MonsterAbilityDeckLookupMap):
        return (type(self), (self.asdict(),))
    return (type(self), (list(self),))


def _optional_reduce(self):
    return (type(self), (self.value(),) if self.has_value() else ())


def _same_copy(self):
    return type(self)(self)


def _same_deepcopy(self, memo, /):
    return type(self)(self)


%}

%pythoncode "proxies.py"

// The Python additions of each class, in its body.
%define %tav_python_record(CLASS, REPR)
%extend CLASS {
%pythoncode %{
__repr__ = _tav_shows_native(REPR)
__eq__ = _tav_equal
__hash__ = None
__copy__ = _record_copy
__deepcopy__ = _record_deepcopy
__reduce__ = _record_reduce
%}
}
%enddef
%tav_python_record(tav::GameState, _tav_repr_state)
%tav_python_record(tav::Actor, _tav_repr_actor)
%tav_python_record(tav::MonsterAbilityDeck, _tav_repr_deck)
%tav_python_record(tav::MonsterActor, _tav_repr_monster)
%tav_python_record(tav::MonsterInstance, _tav_repr_instance)
%tav_python_record(tav::PlayerActor, _tav_repr_player)

%extend tav::protocol::Header {
%pythoncode %{
__repr__ = _tav_shows_native(_tav_repr_header)
__eq__ = _tav_header_equal
__hash__ = None
%}
}
%extend tav::protocol::Buffer {
%pythoncode %{
__repr__ = _tav_shows_native(_tav_repr_buffer)
__bytes__ = _tav_buffer_bytes
%}
}

%define %tav_python_copied(TYPE, REDUCE)
%extend TYPE {
%pythoncode %{
__copy__ = _same_copy
__deepcopy__ = _same_deepcopy
__reduce__ = REDUCE
%}
}
%enddef
// Containers: a map's iter() calls the flat key iterator function directly (the iterator the
// generated __iter__ would return, without its Python frame); a vector's is native
// (%tav_vector_walk in containers.i).
%define %tav_python_container(CLASS, TYPE, ITERATOR)
%tav_python_copied(%arg(TYPE), _container_reduce)
%extend TYPE {
%pythoncode %{
__iter__ = _swig_new_instance_method(_tav.CLASS##_##ITERATOR)
%}
}
%enddef
%tav_python_copied(std::vector< int >, _container_reduce)
%tav_python_copied(std::vector< tav::CharacterClassNS::Value >, _container_reduce)
%tav_python_copied(std::vector< tav::ConditionNS::Value >, _container_reduce)
%tav_python_copied(std::vector< tav::ElementStateNS::Value >, _container_reduce)
%tav_python_copied(std::vector< tav::MonsterTypeNS::Value >, _container_reduce)
%tav_python_copied(std::vector< tav::PlayerInitNS::Value >, _container_reduce)
%tav_python_copied(std::vector< tav::SummonColorNS::Value >, _container_reduce)
%tav_python_copied(std::vector< tav::Actor >, _container_reduce)
%tav_python_copied(std::vector< tav::MonsterInstance >, _container_reduce)
%tav_python_container(MonsterAbilityDeckLookupMap, %arg(std::map< int, tav::MonsterAbilityDeck >), key_iterator)
%tav_python_copied(tl::optional< tav::MonsterActor >, _optional_reduce)
%tav_python_copied(tl::optional< tav::PlayerActor >, _optional_reduce)
%tav_python_copied(tl::optional< int >, _optional_reduce)
%tav_python_copied(tl::optional< tav::AttackModifierNS::Value >, _optional_reduce)
%tav_python_copied(tl::optional< tav::CharacterClassNS::Value >, _optional_reduce)
%tav_python_copied(tl::optional< tav::ConditionNS::Value >, _optional_reduce)
%tav_python_copied(tl::optional< tav::ElementStateNS::Value >, _optional_reduce)
%tav_python_copied(tl::optional< tav::MonsterTypeNS::Value >, _optional_reduce)
%tav_python_copied(tl::optional< tav::PlayerInitNS::Value >, _optional_reduce)
%tav_python_copied(tl::optional< tav::SummonColorNS::Value >, _optional_reduce)
