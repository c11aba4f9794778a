// Container mending for the std_vector / std_map instances of tav.i (included before the %template lines).
