// A table of any number of rows in a scrolling box: only the rows in sight (and a few around
// them) are made, between two spacers that keep the scroll bar true. Every row has one height.
'use strict';

class VirtualTable {
  // box: the scrolling element around the table; makeRow(item) returns a <tr>.
  constructor(box, table, makeRow) {
    this.box = box;
    this.body = table.tBodies[0];
    this.makeRow = makeRow;
    this.items = [];
    this.rowHeight = 0;
    this.shown = null;
    // The box's height and place, kept as they change: read while drawing, they would make the
    // browser lay the page out there and then.
    this.height = 600;
    this.top = 0;
    new ResizeObserver(() => {
      this.height = box.clientHeight || this.height;
      this.draw();
    }).observe(box);
    box.addEventListener('scroll', () => {
      this.top = box.scrollTop;
      this.draw();
    });
  }

  setItems(items) {
    this.items = items;
    this.shown = null;
    this.draw();
  }

  // Scrolls to the top, as for a list that is new.
  rewind() {
    this.box.scrollTop = 0;
    this.top = 0;
  }

  spacer(height) {
    const row = document.createElement('tr');
    row.className = 'spacer';
    row.style.height = `${height}px`;
    return row;
  }

  draw() {
    const overscan = 10;
    if (!this.rowHeight && this.items.length > 0) {
      // The height of a row, measured once on a real one.
      this.body.replaceChildren(this.makeRow(this.items[0]));
      this.rowHeight = this.body.rows[0].getBoundingClientRect().height || 24;
    }
    const height = this.rowHeight || 24;
    const visible = Math.ceil(this.height / height);
    const first = Math.max(0, Math.floor(this.top / height) - overscan);
    const last = Math.min(this.items.length, first + visible + 2 * overscan);
    if (this.shown && this.shown.first === first && this.shown.last === last) return;
    this.shown = { first, last };
    const rows = [];
    if (first > 0) rows.push(this.spacer(first * height));
    for (let i = first; i < last; ++i) rows.push(this.makeRow(this.items[i]));
    if (last < this.items.length) rows.push(this.spacer((this.items.length - last) * height));
    this.body.replaceChildren(...rows);
  }
}
