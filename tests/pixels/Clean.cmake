# Empties the screenshot folders before both builds write into them.
file(REMOVE_RECURSE ${DIR}/linux ${DIR}/cross)
file(MAKE_DIRECTORY ${DIR}/linux ${DIR}/cross)
